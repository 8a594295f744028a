// The launch helper every tool test relies on: what the started program
// receives (arguments, directory, environment) and what comes back (output,
// status).
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
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
  for (const auto& [code, status] : std::vector<std::pair<int, int>>{
           {0, 0}, {3, 3}, {-1, -1}, {255, -1}, {-2, -2}, {256, 0}, {257, 1}}) {
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

/// Sets an environment variable of this process for one scope, as the CRT
/// that the harness reads it with sees it; the old value comes back after.
class ScopedVariable {
 public:
  ScopedVariable(std::string name, const std::string& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    _putenv((name_ + "=" + value).c_str());
  }
  ~ScopedVariable() { _putenv((name_ + "=" + old_.value_or("")).c_str()); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

/// The lines of a file; none when it is missing.
std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// Starts echo_args with these options, counting its runs and its starts
/// in files of a directory of its own, so that the starts made here do not
/// count as the suite's.
class CountedStarts {
 public:
  CountedStarts() : start_log_(harness::kStartLogVariable, Log().string()) {
    fs::create_directory(Log());
    options_.environment = {"HARNESS_RUNS=" + Runs().string()};
  }

  harness::ToolRun Run(const std::vector<std::string>& environment,
                       harness::CreateProcessFunction create_process) {
    harness::RunOptions options = options_;
    options.environment.insert(options.environment.end(), environment.begin(),
                               environment.end());
    options.create_process = std::move(create_process);
    return harness::RunTool(EchoArgs(), {"x"}, options);
  }

  std::size_t runs() const { return Lines(Runs()).size(); }
  /// The start log's lines of this kind ("start" or "restart").
  std::size_t logged(const std::string& kind) const {
    std::size_t count = 0;
    for (const auto& file : fs::directory_iterator(Log())) {
      const std::vector<std::string> lines = Lines(file.path());
      count += std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) {
                               return line.rfind(kind + "\t", 0) == 0;
                             });
    }
    return count;
  }

 private:
  fs::path Runs() const { return dir_.path() / "runs.txt"; }
  fs::path Log() const { return dir_.path() / "starts"; }

  harness::TempDir dir_;
  ScopedVariable start_log_;
  harness::RunOptions options_;
};

/// CreateProcessA, but for its first `fumbles` calls, which fail with
/// `error` as Wine does when the new process's loader dies; counts calls.
struct FumblingCreateProcess {
  int fumbles;
  DWORD error = harness::kFumbledStartError;
  std::shared_ptr<int> calls = std::make_shared<int>(0);

  BOOL operator()(LPCSTR program, LPSTR command_line,
                  LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                  BOOL inherit, DWORD flags, LPVOID environment, LPCSTR cwd,
                  LPSTARTUPINFOA startup,
                  LPPROCESS_INFORMATION information) const {
    if ((*calls)++ < fumbles) {
      SetLastError(error);
      return FALSE;
    }
    return CreateProcessA(program, command_line, process, thread, inherit,
                          flags, environment, cwd, startup, information);
  }
};

TEST(RunToolStart, FumbledStartIsStartedAgainAndCounted) {
  CountedStarts counted;
  const FumblingCreateProcess twice{2};
  const harness::ToolRun run = counted.Run({}, twice);
  // The third start ran the program, once, as if nothing had happened.
  EXPECT_EQ(*twice.calls, 3);
  EXPECT_EQ(counted.runs(), 1u);
  EXPECT_EQ(Arguments(run.output), std::vector<std::string>{"x"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.restarts, 2);
  EXPECT_EQ(counted.logged("restart"), 2u);
  EXPECT_EQ(counted.logged("start"), 1u);
}

TEST(RunToolStart, StartsThatKeepFailingFailTheTest) {
  // A third fumble in a row is not started again; a start that failed for
  // another reason is not started again at all.
  for (const auto& [error, calls] : std::vector<std::pair<DWORD, int>>{
           {harness::kFumbledStartError, 1 + harness::kMaxRestarts},
           {ERROR_FILE_NOT_FOUND, 1}}) {
    CountedStarts counted;
    const FumblingCreateProcess always{100, error};
    harness::ToolRun run;
    EXPECT_NONFATAL_FAILURE(run = counted.Run({}, always),
                            "error " + std::to_string(error));
    EXPECT_EQ(*always.calls, calls) << "error " << error;
    EXPECT_EQ(counted.runs(), 0u);
    EXPECT_EQ(counted.logged("restart"), static_cast<std::size_t>(calls - 1));
    EXPECT_EQ(counted.logged("start"), 0u);
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.output, "");
  }
}

TEST(RunToolStart, ProgramsOwnDoingIsNeverRepeated) {
  // A status that is not 0, and a crash, after a start that went well.
  CountedStarts failing;
  const harness::ToolRun run =
      failing.Run({"HARNESS_EXIT=1"}, FumblingCreateProcess{0});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(failing.runs(), 1u);

  CountedStarts crashing;
  harness::ToolRun crashed;
  EXPECT_NONFATAL_FAILURE(
      crashed = crashing.Run({"HARNESS_CRASH=1"}, FumblingCreateProcess{0}),
      "ended by");
  EXPECT_EQ(crashed.status, -1);
  EXPECT_EQ(crashing.runs(), 1u);
  EXPECT_EQ(crashed.restarts, 0);
  EXPECT_EQ(crashing.logged("restart"), 0u);
  EXPECT_EQ(crashing.logged("start"), 1u);
}

TEST(RunToolStart, ProgramThatIsNotThereFailsTheTest) {
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
