#include <stdlib.h>
extern "C" {
typedef struct { int newmode; } _startupinfo;
int __cdecl __getmainargs(int*, char***, char***, int, _startupinfo*);
void __main(void) {}
}
int main(int, char**);
extern "C" void __cdecl ProgramEntry(void) {
  int argc = 0; char** argv = 0; char** envp = 0; _startupinfo si = {0};
  __getmainargs(&argc, &argv, &envp, 0, &si);
  exit(main(argc, argv));
}
