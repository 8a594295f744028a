#include "path_join.h"

bool JoinPath(char* path, int size, const char* directory, const char* name) {
  // Lengths are summed as 64-bit so that no argument length can wrap them.
  long long needed = (long long)lstrlenA(directory) + 1 + lstrlenA(name) + 1;
  if (needed > size) return false;
  lstrcpyA(path, directory);
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return true;
}
