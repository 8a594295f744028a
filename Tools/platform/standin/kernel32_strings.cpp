// The lstr* functions. Like Windows, they test no bound; a NULL string does
// not crash (Windows catches the access violation).
#include <standin/win32_api.h>

#include <cstring>

int lstrcmpA(LPCSTR a, LPCSTR b) {
  if (a == nullptr || b == nullptr) {
    return (a != nullptr) - (b != nullptr);  // NULL sorts first
  }
  const int order = std::strcmp(a, b);
  return (order > 0) - (order < 0);
}

LPSTR lstrcpyA(LPSTR to, LPCSTR from) {
  if (to == nullptr || from == nullptr) return nullptr;
  return std::strcpy(to, from);
}

LPSTR lstrcatA(LPSTR to, LPCSTR from) {
  if (to == nullptr || from == nullptr) return nullptr;
  return std::strcat(to, from);
}

int lstrlenA(LPCSTR text) {
  return text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
}
