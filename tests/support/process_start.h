// Starting a Windows program, and starting it again when Wine fumbled the
// start: the one place where the suite tells Wine's failure to start a
// program from anything the program did.
#ifndef TESTS_SUPPORT_PROCESS_START_H_
#define TESTS_SUPPORT_PROCESS_START_H_

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace harness {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
    }
  }
};

/// A kernel handle, closed when it goes.
using Handle = std::unique_ptr<void, HandleCloser>;

/// What CreateProcessA answers under Wine when the new process ended before
/// its start was complete: its loader died, and the program never ran.
inline constexpr DWORD kFumbledStartError = ERROR_INTERNAL_ERROR;

/// How many times a fumbled start is started again.
inline constexpr int kMaxRestarts = 2;

/// Whether a start that failed with `error`, after `restarts` restarts, is
/// started again: only Wine's fumble, and only kMaxRestarts times.
bool StartsAgain(DWORD error, int restarts);

/// What a program start gave.
struct ProcessStart {
  /// The process; empty when it could not be started.
  Handle process;
  /// CreateProcessA's last-error code when it could not be started, else 0.
  DWORD error = 0;
  /// How many fumbled starts came before this one.
  int restarts = 0;
};

/// How to start a program; every field but the program may stay as it is.
struct StartRequest {
  std::filesystem::path program;
  std::vector<std::string> args;
  /// The environment block as CreateProcessA takes it; empty: ours.
  std::string environment;
  /// The current directory; empty: ours.
  std::string cwd;
  /// The program's standard input, output and error: inheritable handles.
  HANDLE input = nullptr;
  HANDLE output = nullptr;
  HANDLE error = nullptr;
};

/// An inheritable duplicate of one of our own handles, for a child; empty
/// when there is none to copy.
Handle InheritableCopy(HANDLE handle);

/// The path a program under Wine opens for a path that the build gave: a
/// Unix path is on Wine's drive Z:.
std::filesystem::path FromUnixPath(const std::string& path);

/// Starts a program with handle inheritance. A start that Wine fumbled is
/// started again (StartsAgain), each time with a line on standard output;
/// any other failure is the caller's to report.
ProcessStart StartProcess(const StartRequest& request);

}  // namespace harness

#endif  // TESTS_SUPPORT_PROCESS_START_H_
