// Entry point of the shipped executables. mingw-w64's start-up code is built
// for newer processors than the tools' targets, so the tools start here: MSVCRT
// splits the command line by the platform's usual rules, main runs, and exit
// flushes standard output and ends the process with main's result.
#include <stdlib.h>

extern "C" {
struct StartupInfo {
  int new_mode;
};
int __cdecl __getmainargs(int* argc, char*** argv, char*** envp, int expand,
                          StartupInfo* info);
// GCC calls __main from main to run static constructors; the tools have none.
void __main(void) {}
}

int main(int argc, char** argv);

extern "C" void __cdecl ProgramEntry(void) {
  int argc = 0;
  char** argv = 0;
  char** envp = 0;
  StartupInfo info = {0};
  __getmainargs(&argc, &argv, &envp, 0, &info);
  exit(main(argc, argv));
}
