// The tools' command-line conventions.
#include "tools/common/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#ifndef QV_VERSION
#error "QV_VERSION comes from the build"
#endif

namespace {

const OptionDefinition* FindOption(std::span<const OptionDefinition> definitions, const std::string& name)
{
    for (const OptionDefinition& definition : definitions) {
        if (name == definition.name)
            return &definition;
    }
    return nullptr;
}

} // namespace

std::string ParsedCommandLine::Value(const std::string& key, const std::string& fallback) const
{
    const auto found = options.find(key);
    return found == options.end() || found->second.empty() ? fallback : found->second.back();
}

std::vector<std::string> ParsedCommandLine::Values(const std::string& key) const
{
    const auto found = options.find(key);
    return found == options.end() ? std::vector<std::string>{} : found->second;
}

int UsageError(const ToolInfo& tool, const std::string& problem)
{
    std::fprintf(stderr, "%s: %s\n", tool.name, problem.c_str());
    return EXIT_USAGE;
}

int Failure(const ToolInfo& tool, const std::string& problem)
{
    std::fprintf(stderr, "%s: %s\n", tool.name, problem.c_str());
    return 1;
}

const char* ToolVersion()
{
    return QV_VERSION;
}

int RunTool(const ToolInfo& tool, ToolMain run, int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Failure(tool, "out of memory");
    } catch (const std::exception& error) {
        return Failure(tool, error.what());
    }
}

int ParseCommandLine(const ToolInfo& tool, int argc, char** argv, int first,
                     std::span<const OptionDefinition> definitions, ParsedCommandLine* parsed)
{
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed->operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            std::fputs(tool.usage, stdout);
            return 0;
        }
        if (word == "--version") {
            std::printf("%s %s\n", tool.name, ToolVersion());
            return 0;
        }
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const std::size_t equals = word.find('='); word.starts_with("--") && equals != std::string::npos) {
            inlineValue = word.substr(equals + 1);
            word.resize(equals);
            hasInlineValue = true;
        }
        const OptionDefinition* definition = FindOption(definitions, word);
        if (!definition)
            return UsageError(tool, "unknown option " + word);
        const std::string key = definition->key ? definition->key : definition->name;
        if (definition->kind != OptionKind::Repeated && parsed->Has(key))
            return UsageError(tool, word + " given more than once");
        if (definition->kind == OptionKind::Flag) {
            if (hasInlineValue)
                return UsageError(tool, word + " takes no value");
            parsed->options[key].push_back("");
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= argc)
                return UsageError(tool, "missing value after " + word);
            inlineValue = argv[++i];
        }
        parsed->options[key].push_back(inlineValue);
    }
    return -1;
}

bool ParseWholeNumber(const std::string& text, int64_t min, int64_t max, int64_t* value)
{
    if (text.empty() || !(text[0] == '-' || (text[0] >= '0' && text[0] <= '9')))
        return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max)
        return false;
    *value = parsed;
    return true;
}

bool ParseWholeNumber(const std::string& text, int min, int max, int* value)
{
    int64_t wide = 0;
    if (!ParseWholeNumber(text, int64_t{min}, int64_t{max}, &wide))
        return false;
    *value = static_cast<int>(wide);
    return true;
}
