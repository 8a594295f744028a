// launch PROGRAM [ARGS...]: starts a Windows program through the harness's
// start (which starts it again when Wine fumbled the start), hands it our
// standard handles, waits for it and exits with its exit code. Scripts start
// every Windows program through it, so that Wine's failures to start one are
// told from the program's own doing in one place. It first creates the file
// named by WINE_START_MARKER: a script that sees Wine's loader crash can then
// tell whether we ran at all.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/process_start.h"

// Arguments reach the program as typed: no wildcard expansion.
int _dowildcard = 0;

namespace {

/// A Unix path from the environment, as this side of Wine opens it.
std::string FromUnix(const char* path) {
  return *path == '/' ? std::string("Z:") + path : path;
}

void MarkStarted() {
  const char* marker = std::getenv("WINE_START_MARKER");
  if (marker != nullptr && *marker != '\0') std::ofstream(FromUnix(marker));
}

}  // namespace

int main(int argc, char** argv) {
  MarkStarted();
  if (argc < 2) {
    std::fprintf(stderr, "usage: launch PROGRAM [ARGS...]\n");
    return 2;
  }
  using harness::InheritableCopy;
  const harness::Handle input = InheritableCopy(GetStdHandle(STD_INPUT_HANDLE));
  const harness::Handle output =
      InheritableCopy(GetStdHandle(STD_OUTPUT_HANDLE));
  const harness::Handle errors =
      InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = errors.get();

  harness::StartRequest request;
  // The build names programs by their Unix paths.
  request.program = std::filesystem::path(FromUnix(argv[1])).make_preferred();
  request.args.assign(argv + 2, argv + argc);
  request.startup = &startup;
  const harness::ProcessStart started = harness::StartProcess(request);
  if (!started.process) {
    std::fprintf(stderr, "launch: cannot start %s: error %lu\n",
                 request.program.string().c_str(), started.error);
    return 126;
  }
  WaitForSingleObject(started.process.get(), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(started.process.get(), &code);
  return static_cast<int>(code);
}
