// Starting the tools on a POSIX host, where they run against the stand-in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <standin/testing.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "support/harness.h"
#include "support/platform_paths.h"

namespace harness {
namespace {

// Child side of the fork: only async-signal-safe calls until exec.
[[noreturn]] void ExecTool(const std::filesystem::path& tool, char* const* argv,
                           const RunOptions& options, int output_fd,
                           int errors_fd) {
  dup2(output_fd, STDOUT_FILENO);
  close(output_fd);
  if (errors_fd >= 0) dup2(errors_fd, STDERR_FILENO);
  if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(127);
  for (const std::string& entry : options.environment) {
    putenv(const_cast<char*>(entry.c_str()));
  }
  execv(tool.c_str(), argv);
  _exit(127);
}

}  // namespace

std::filesystem::path ExecutablePath(const char* built_path) {
  return built_path;
}

std::string WindowsPath(const std::filesystem::path& host_path) {
  return standin::testing::WindowsPath(host_path);
}

std::filesystem::path HostPath(std::string_view windows_path) {
  return standin::testing::HostPath(windows_path);
}

ToolRun RunTool(const std::filesystem::path& tool,
                const std::vector<std::string>& args, const RunOptions& options,
                const char* file, int line) {
  ToolRun run{-1, ""};
  if (access(tool.c_str(), X_OK) != 0) {
    ADD_FAILURE_AT(file, line)
        << "cannot start " << tool << ": " << std::strerror(errno);
    return run;
  }
  std::vector<std::string> words{tool.filename().string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  std::transform(words.begin(), words.end(), std::back_inserter(argv),
                 [](std::string& word) { return word.data(); });
  argv.push_back(nullptr);

  int errors_fd = -1;
  if (!options.errors_file.empty()) {
    errors_fd = open(options.errors_file.c_str(),
                     O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (errors_fd < 0) {
      ADD_FAILURE_AT(file, line) << "cannot write " << options.errors_file
                                 << ": " << std::strerror(errno);
      return run;
    }
  }
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    ADD_FAILURE_AT(file, line) << "pipe: " << std::strerror(errno);
    if (errors_fd >= 0) close(errors_fd);
    return run;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    ExecTool(tool, argv.data(), options, pipe_fds[1], errors_fd);
  }
  close(pipe_fds[1]);
  if (errors_fd >= 0) close(errors_fd);
  if (child < 0) {
    close(pipe_fds[0]);
    ADD_FAILURE_AT(file, line) << "fork: " << std::strerror(errno);
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::seconds(kToolDeadlineSeconds);
  char chunk[4096];
  bool hung = false;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{pipe_fds[0], POLLIN, 0};
    const int polled =
        left.count() > 0 ? poll(&ready, 1, static_cast<int>(left.count())) : 0;
    if (polled == 0) {
      hung = true;
      kill(child, SIGKILL);
      ADD_FAILURE_AT(file, line) << tool << " did not end within "
                                 << kToolDeadlineSeconds << " s: killed";
      break;
    }
    if (polled < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const ssize_t got = read(pipe_fds[0], chunk, sizeof chunk);
    if (got == 0) break;
    if (got > 0) {
      run.output.append(chunk, static_cast<std::size_t>(got));
    } else if (errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);
  int wait_status = 0;
  while (waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wait_status)) {
    run.status = static_cast<signed char>(WEXITSTATUS(wait_status));
  } else if (!hung) {
    ADD_FAILURE_AT(file, line)
        << tool << " ended by signal " << WTERMSIG(wait_status);
  }
  return run;
}

}  // namespace harness
