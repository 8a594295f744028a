#include "path_join.h"

#include <string.h>

bool JoinPath(char* path, int size, const char* directory, const char* name) {
  size_t directory_length = strlen(directory);
  size_t name_length = strlen(name);
  // Compared piece by piece, so that no length can wrap the sum.
  if (size < 2 || directory_length > (size_t)size - 2 ||
      name_length > (size_t)size - 2 - directory_length) {
    return false;
  }
  memcpy(path, directory, directory_length);
  path[directory_length] = '\\';
  memcpy(path + directory_length + 1, name, name_length + 1);
  return true;
}
