// A run that names no machine: the host tools refuse to start, and a stand-in
// call made without one ends the process, each with one line and no machine
// made anywhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <standin/testing.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform.h"
#include "support/harness.h"
#include "support/scoped_env.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char kRefusal[] =
    "standin: STANDIN_MACHINE is not set: name the machine directory\n";

struct Outcome {
  int status = -1;
  std::string output;
  std::string errors;
};

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// posix_spawn's file actions, released however the run ends.
class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  void Output(int fd, const fs::path& file) {
    posix_spawn_file_actions_addopen(&actions_, fd, file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  void Directory(const fs::path& dir) {
    posix_spawn_file_actions_addchdir_np(&actions_, dir.c_str());
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// Runs `tool` in `cwd` with this process's environment less the machine
// variable and with HOME pointing at `home`; both output streams are kept.
// The harness's runner keeps the machine variable and no standard error.
Outcome RunWithoutMachine(const fs::path& tool,
                          const std::vector<std::string>& args,
                          const fs::path& cwd, const fs::path& home,
                          const fs::path& logs) {
  std::vector<std::string> environment;
  const std::string machine_prefix =
      std::string(standin::testing::kMachineVariable) + "=";
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind(machine_prefix, 0) != 0 && text.rfind("HOME=", 0) != 0) {
      environment.push_back(text);
    }
  }
  environment.push_back("HOME=" + home.string());
  std::vector<std::string> words{tool.string()};
  words.insert(words.end(), args.begin(), args.end());
  const auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& text : strings) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
  };
  std::vector<char*> argv = pointers(words);
  std::vector<char*> envp = pointers(environment);

  FileActions actions;
  actions.Output(STDOUT_FILENO, logs / "stdout");
  actions.Output(STDERR_FILENO, logs / "stderr");
  actions.Directory(cwd);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, tool.c_str(), actions.get(), nullptr,
                                  argv.data(), envp.data());
  Outcome outcome;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << tool << ": " << std::strerror(spawned);
    return outcome;
  }
  int wait_status = 0;
  while (waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wait_status)) {
    outcome.status = WEXITSTATUS(wait_status);
  } else {
    ADD_FAILURE() << tool << " ended by signal " << WTERMSIG(wait_status);
  }
  outcome.output = ReadAll(logs / "stdout");
  outcome.errors = ReadAll(logs / "stderr");
  return outcome;
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
    const Outcome outcome = RunWithoutMachine(run.tool, run.args, work.path(),
                                              home.path(), logs.path());
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.errors, kRefusal);
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
