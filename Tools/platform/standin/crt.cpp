// The MSVCRT helpers the tools use that a C library outside Windows lacks.
#include <standin/win32_api.h>

#include <cstdlib>
#include <cstring>

char* _strdup(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(std::malloc(size));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

// MSVCRT's "C" locale upper-cases a-z only.
char* _strupr(char* text) {
  if (text == nullptr) return nullptr;
  for (char* c = text; *c != '\0'; ++c) {
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
  }
  return text;
}
