// The tools' shared command-line conventions and their all-or-nothing file writing.
#include "tools/common/command_line.h"
#include "tools/common/output_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

const ToolInfo Tool = { "tool", "usage: tool [--size WxH] [--at T]... [--quiet] FILE\n" };
const OptionDefinition Options[] = {
    { "--size", OptionKind::Value },
    { "-o", OptionKind::Value, "--out" },
    { "--out", OptionKind::Value },
    { "--at", OptionKind::Repeated },
    { "--quiet", OptionKind::Flag },
};

struct Parse {
    int code;
    ParsedCommandLine line;
    std::string out, err;
};

Parse ParseWords(std::vector<std::string> words)
{
    words.insert(words.begin(), "tool");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    Parse result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    result.code = ParseCommandLine(Tool, static_cast<int>(argv.size()), argv.data(), 1, Options, &result.line);
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

// A fresh folder per test, removed afterwards.
class OutputFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qv_output_" + std::to_string(getpid()) + "_" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(CommandLine, HelpAndVersionGoToStdoutAndEndWithZero)
{
    for (const char* word : { "--help", "-h" }) {
        const Parse help = ParseWords({ "--size", "1x1", word, "--bogus" });
        EXPECT_EQ(help.code, 0);
        EXPECT_EQ(help.out, Tool.usage);
        EXPECT_EQ(help.err, "");
    }
    const Parse version = ParseWords({ "--version" });
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, std::string("tool ") + ToolVersion() + "\n");
}

TEST(CommandLine, EveryMisuseIsOneLineAndExitTwo)
{
    const struct {
        std::vector<std::string> words;
        const char* line;
    } cases[] = {
        { { "--bogus", "1" }, "tool: unknown option --bogus\n" },
        { { "file", "--size" }, "tool: missing value after --size\n" },
        { { "--size", "1x1", "--size=2x2" }, "tool: --size given more than once\n" },
        { { "-o", "a", "--out", "b" }, "tool: --out given more than once\n" },
        { { "--quiet=yes" }, "tool: --quiet takes no value\n" },
    };
    for (const auto& c : cases) {
        const Parse parse = ParseWords(c.words);
        EXPECT_EQ(parse.code, EXIT_USAGE) << c.line;
        EXPECT_EQ(parse.err, c.line);
        EXPECT_EQ(parse.out, "");
    }
}

TEST(CommandLine, ValuesSpellingsRepeatsAndOperands)
{
    const Parse parse = ParseWords({ "in.xm", "--at", "5", "--size=3x4", "-o", "x.wav", "--at=7", "--quiet", "--",
                              "--not-an-option", "-" });
    ASSERT_EQ(parse.code, -1) << parse.err;
    EXPECT_EQ(parse.line.Value("--size"), "3x4");
    EXPECT_EQ(parse.line.Value("--out"), "x.wav");
    EXPECT_EQ(parse.line.Values("--at"), (std::vector<std::string>{ "5", "7" }));
    EXPECT_TRUE(parse.line.Has("--quiet"));
    EXPECT_FALSE(parse.line.Has("--missing"));
    EXPECT_EQ(parse.line.Value("--missing", "fallback"), "fallback");
    EXPECT_EQ(parse.line.operands, (std::vector<std::string>{ "in.xm", "--not-an-option", "-" }));
}

TEST(CommandLine, WholeNumbersOnlyExactlyAndInRange)
{
    int64_t value = 0;
    for (const char* bad : { "", "nan", "inf", "-inf", "1e3", "1.5", " 5", "5 ", "+5", "0x10", "5cs",
                             "99999999999999999999", "-1", "100001" })
        EXPECT_FALSE(ParseWholeNumber(bad, int64_t{0}, int64_t{100000}, &value)) << bad;
    ASSERT_TRUE(ParseWholeNumber("99999999", int64_t{0}, int64_t{999999999}, &value));
    EXPECT_EQ(value, 99999999);
    int narrow = 0;
    ASSERT_TRUE(ParseWholeNumber("-12", -20, 20, &narrow));
    EXPECT_EQ(narrow, -12);
}

TEST_F(OutputFileTest, ACommittedFileAppearsWholeAndReplacesTheOldOne)
{
    std::ofstream(Path("out.bin")) << "old";
    OutputFile file(Path("out.bin"));
    ASSERT_TRUE(file.Open()) << file.Error();
    ASSERT_TRUE(file.Write("xxxxbody", 8));
    // Until the commit the old file stands; the new one is elsewhere.
    EXPECT_EQ(Contents(Path("out.bin")), "old");
    EXPECT_EQ(Listing().size(), 2u);
    ASSERT_TRUE(file.WriteAt(0, "head", 4));
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(Contents(Path("out.bin")), "headbody");
    EXPECT_EQ(Listing(), std::vector<std::string>{ "out.bin" });
}

TEST_F(OutputFileTest, AnAbandonedOrUnwritableFileLeavesNothingBehind)
{
    {
        OutputFile file(Path("abandoned.bin"));
        ASSERT_TRUE(file.Open());
        file.Write("partial", 7);
    }
    EXPECT_TRUE(Listing().empty());

    std::string error;
    EXPECT_FALSE(CheckOutputFile(Path("missing/out.png"), &error));
    EXPECT_EQ(error, "cannot write " + Path("missing/out.png") + ": No such file or directory");
    EXPECT_FALSE(CheckOutputFile(dir_.string(), &error));
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    ASSERT_TRUE(PrepareOutputFolder(Path("a/b"), &error)) << error;
    EXPECT_EQ(Listing(), std::vector<std::string>{ "a" });
    EXPECT_TRUE(fs::is_empty(dir_ / "a" / "b"));
    std::ofstream(Path("plain")) << "x";
    EXPECT_FALSE(PrepareOutputFolder(Path("plain"), &error));
    EXPECT_EQ(error.rfind("cannot make ", 0), 0u) << error;
}

// A write that fails half-way (here: a file size limit, as a full disk would) is
// reported with the system's reason and removed.
TEST_F(OutputFileTest, AFailedWriteIsReportedAndRemoved)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = { 1000, 1000 };
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const std::vector<char> big(100000, 'x');
        const bool written = WriteWholeFile(Path("big.bin"), big.data(), big.size(), &error);
        _exit(!written && error == "cannot write " + Path("big.bin") + ": File too large" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Listing().empty());
}

TEST_F(OutputFileTest, ASignalRemovesOpenTemporariesAndExitsWithItsCode)
{
    for (const int signal : { SIGINT, SIGTERM }) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallInterruptHandlers();
            OutputFile first(Path("first.bin")), second(Path("second.bin"));
            first.Open();
            second.Open();
            first.Write("data", 4);
            raise(signal);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_TRUE(Listing().empty());
    }
}
