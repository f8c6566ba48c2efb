// Command lines of the tools, parsed one way for all of them: --help prints the usage
// to stdout, --version the tool's version; an unknown option, a missing value or a
// repeated single-valued option is one line on stderr and exit code 2.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

constexpr int EXIT_USAGE = 2;

struct ToolInfo {
    const char* name;    // "quorvantile-capture"
    const char* usage;   // the whole usage text, ending with a newline
};

enum class OptionKind { Flag, Value, Repeated };

struct OptionDefinition {
    const char* name;    // "--fps"; a second spelling gets a row of its own
    OptionKind kind;
    const char* key = nullptr;   // the key the value is stored under; null: name
};

struct ParsedCommandLine {
    std::map<std::string, std::vector<std::string>> options;   // key -> values ("" for a flag)
    std::vector<std::string> operands;                        // in order

    bool Has(const std::string& key) const { return options.count(key) != 0; }
    // The value of a single-valued option, or fallback when it was not given.
    std::string Value(const std::string& key, const std::string& fallback = "") const;
    std::vector<std::string> Values(const std::string& key) const;
};

// Parses argv[first..argc). Returns -1 when the tool goes on, otherwise the exit code
// to end with: 0 after --help or --version, EXIT_USAGE after a one-line complaint.
// "--name=value" is taken as "--name value"; "--" ends the options; "-" alone is an
// operand.
int ParseCommandLine(const ToolInfo& tool, int argc, char** argv, int first,
                     std::span<const OptionDefinition> definitions, ParsedCommandLine* parsed);

// Prints "NAME: problem" on stderr and returns EXIT_USAGE.
int UsageError(const ToolInfo& tool, const std::string& problem);
// Prints "NAME: problem" on stderr and returns 1.
int Failure(const ToolInfo& tool, const std::string& problem);

// A whole decimal number, nothing before or after it, from min to max.
bool ParseWholeNumber(const std::string& text, int64_t min, int64_t max, int64_t* value);
bool ParseWholeNumber(const std::string& text, int min, int max, int* value);

// The version every tool reports.
const char* ToolVersion();

using ToolMain = int (*)(int argc, char** argv);
// Runs a tool's main. What the C++ runtime throws (no memory, a system error) ends it
// with one line and exit code 1 rather than an abort.
int RunTool(const ToolInfo& tool, ToolMain run, int argc, char** argv);
