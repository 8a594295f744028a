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

void MarkStarted() {
  const char* marker = std::getenv("WINE_START_MARKER");
  if (marker != nullptr && *marker != '\0') {
    const std::ofstream created(harness::FromUnixPath(marker));
  }
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
  harness::StartRequest request;
  // The build names programs by their Unix paths.
  request.program = harness::FromUnixPath(argv[1]);
  request.args.assign(argv + 2, argv + argc);
  request.input = input.get();
  request.output = output.get();
  request.error = errors.get();
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
