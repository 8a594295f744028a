// The launch helper every tool test relies on: what the started program
// receives (arguments, directory, environment), what comes back (output,
// status), and which failed starts are started again.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

fs::path EchoArgs() { return harness::FromUnixPath(ECHO_ARGS_EXE); }

// The lines of the output up to (not including) the "cwd=" line.
std::vector<std::string> Arguments(const std::string& output) {
  std::vector<std::string> arguments;
  std::size_t start = 0;
  while (output.compare(start, 4, "cwd=") != 0) {
    const std::size_t end = output.find('\n', start);
    if (end == std::string::npos) break;
    const std::string line = output.substr(start, end - start);
    arguments.push_back(line.substr(1, line.size() - 2));
    start = end + 1;
  }
  return arguments;
}

// The value of the "<key>=" line of the output.
std::string Field(const std::string& output, const std::string& key) {
  const std::string lines = "\n" + output;
  const std::size_t start = lines.find("\n" + key + "=");
  if (start == std::string::npos) return "(missing)";
  const std::size_t value = start + key.size() + 2;
  return lines.substr(value, lines.find('\n', value) - value);
}

// Whether the program's "cwd=" line names this directory.
::testing::AssertionResult RanIn(const std::string& output,
                                 const fs::path& dir) {
  const fs::path cwd = Field(output, "cwd");
  std::error_code error;
  if (fs::equivalent(cwd, dir, error)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "ran in " << cwd << ", not " << dir;
}

TEST(RunTool, ArgumentsArriveUnchanged) {
  // Blanks, quotes and backslashes: what the Windows command line must quote
  // and escape for MSVCRT to split it back.
  const std::vector<std::string> args = {
      "plain",          "two words",     "",
      "tab\there",      "quote\"inside", "\"",
      "trailing\\",     "dir with\\",    "back\\\\slash\\\"quote",
      "C:\\a b\\c.inf", "ends\\\\",      "\\\\server\\share"};
  const harness::ToolRun run = harness::RunTool(EchoArgs(), args);
  EXPECT_EQ(Arguments(run.output), args);
  EXPECT_EQ(run.status, 0);
}

TEST(RunTool, StatusIsTheLowByteAsASignedNumber) {
  // A byte read unsigned, a whole code read as the status, and a negative
  // code taken for an exception each fail one of these.
  for (const auto& [code, status] :
       std::vector<std::pair<int, int>>{{255, -1}, {257, 1}, {-2, -2}}) {
    harness::RunOptions options;
    options.environment = {"HARNESS_EXIT=" + std::to_string(code)};
    EXPECT_EQ(harness::RunTool(EchoArgs(), {}, options).status, status)
        << "exit code " << code;
  }
}

TEST(RunTool, RunsInTheGivenDirectoryWithAddedVariables) {
  const harness::TempDir dir;
  harness::RunOptions options;
  options.cwd = dir.path();
  // A later entry of the same name wins.
  options.environment = {"HARNESS_PROBE=first", "HARNESS_PROBE=second value"};
  const harness::ToolRun run = harness::RunTool(EchoArgs(), {"x"}, options);
  EXPECT_TRUE(RanIn(run.output, dir.path()));
  EXPECT_EQ(Field(run.output, "probe"), "second value");

  // No options: the test's own directory, and nothing added.
  const harness::ToolRun plain = harness::RunTool(EchoArgs(), {});
  EXPECT_TRUE(RanIn(plain.output, fs::current_path()));
  EXPECT_EQ(Field(plain.output, "probe"), "(unset)");
}

TEST(RunTool, OutputComesBackWholeWithLineEndsFolded) {
  // Far more than a pipe holds: the helper must read while the program runs.
  constexpr int kLines = 2000;
  harness::RunOptions options;
  options.environment = {"HARNESS_LINES=" + std::to_string(kLines)};
  const harness::ToolRun run = harness::RunTool(EchoArgs(), {}, options);
  const std::string line = std::string(99, 'x') + "\n";
  const std::size_t first = run.output.find(line);
  ASSERT_NE(first, std::string::npos);
  // A "\r" before the "\n" stays: only the text mode's own "\r" goes.
  EXPECT_EQ(run.output.substr(first), [&] {
    std::string expected;
    for (int i = 0; i < kLines; ++i) expected += line;
    return expected + "cr\r\n";
  }());
  EXPECT_EQ(run.status, 0);
}

// Only Wine's own failure to start a program is started again, and only
// twice: a program that is not there, or that keeps failing to start, fails
// its case at once.
TEST(RunTool, OnlyAFumbledStartIsStartedAgainTwice) {
  EXPECT_TRUE(harness::StartsAgain(harness::kFumbledStartError, 0));
  EXPECT_TRUE(harness::StartsAgain(harness::kFumbledStartError, 1));
  EXPECT_FALSE(harness::StartsAgain(harness::kFumbledStartError, 2));
  EXPECT_FALSE(harness::StartsAgain(ERROR_FILE_NOT_FOUND, 0));
}

// A crash is no status the program chose: it fails the case, and is never
// started again.
TEST(RunTool, CrashFailsTheTest) {
  harness::RunOptions options;
  options.environment = {"HARNESS_CRASH=1"};
  harness::ToolRun run;
  EXPECT_NONFATAL_FAILURE(run = harness::RunTool(EchoArgs(), {}, options),
                          "ended by exception");
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.restarts, 0);
}

TEST(RunTool, ProgramThatIsNotThereFailsTheTest) {
  harness::ToolRun run;
  EXPECT_NONFATAL_FAILURE(
      run = harness::RunTool(EchoArgs().parent_path() / "no-such-program.exe",
                             {"x"}),
      "cannot start");
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.restarts, 0);
}

}  // namespace
