#include "kestrum.h"

int DisplayError(const char* prefix) {
  DWORD code = GetLastError();
  char* text = 0;
  if (FormatMessageA(
          FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, 0, code,
          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, 0) != 0 &&
      text != 0) {
    printf("%s FAILURE: %s\n", prefix, text);
  } else {
    printf("%s FAILURE: (0x%08x)\n", prefix, (unsigned int)code);
  }
  if (text != 0) LocalFree(text);
  SetLastError(code);
  return 0;
}
