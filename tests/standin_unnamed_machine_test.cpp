// A run that names no machine: the host tools refuse to start, and a stand-in
// call made without one ends the process, each with one line and no machine
// made anywhere.
#include <gtest/gtest.h>
#include <standin/testing.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform.h"
#include "support/harness.h"
#include "support/scoped_env.h"

namespace {

namespace fs = std::filesystem;

constexpr char kRefusal[] =
    "standin: STANDIN_MACHINE is not set: name the machine directory\n";

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsEmptyDirectory(const fs::path& dir) {
  return fs::is_directory(dir) && fs::is_empty(dir);
}

TEST(StandinUnnamedMachine, ToolsRefuseToStart) {
  struct Case {
    fs::path tool;
    std::vector<std::string> args;
  };
  // With and without arguments that would reach the machine.
  const std::vector<Case> cases = {
      {harness::KestrumPath(), {"N", "ROOT\\NO_MACHINE"}},
      {harness::KestrumPath(), {}},
      {harness::TollaverPath(), {"widget.inf"}},
      {harness::TollaverPath(), {}},
  };
  for (const Case& run : cases) {
    SCOPED_TRACE(run.tool.filename().string() + " with " +
                 std::to_string(run.args.size()) + " arguments");
    const harness::TempDir home, work, logs;
    // The tool inherits this process's environment, less the machine.
    const harness::ScopedEnv home_env("HOME", home.path().string());
    const harness::ScopedEnv no_machine(standin::testing::kMachineVariable);
    harness::RunOptions options;
    options.cwd = work.path();
    options.errors_file = logs.path() / "stderr";
    const harness::ToolRun outcome =
        harness::RunTool(run.tool, run.args, options);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(ReadAll(options.errors_file), kRefusal);
    EXPECT_EQ(outcome.output, "");
    EXPECT_TRUE(IsEmptyDirectory(home.path())) << "something made in HOME";
    EXPECT_TRUE(IsEmptyDirectory(work.path())) << "something made in the cwd";
  }
}

TEST(StandinUnnamedMachineDeathTest, CallWithoutMachineEndsTheProcess) {
  const harness::TempDir home;
  const harness::ScopedEnv home_env("HOME", home.path().string());
  const harness::ScopedEnv no_machine(standin::testing::kMachineVariable);
  EXPECT_EXIT(SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_ALLCLASSES),
              ::testing::ExitedWithCode(1),
              "^standin: STANDIN_MACHINE is not set: name the machine "
              "directory\n$");
  EXPECT_TRUE(IsEmptyDirectory(home.path()));
}

}  // namespace
