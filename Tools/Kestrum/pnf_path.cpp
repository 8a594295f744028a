#include "pnf_path.h"

#include <string.h>

bool MakePnfPath(const char* inf_path, char* pnf_path, int size) {
  static const char kExtension[] = ".pnf";
  size_t cut = strlen(inf_path);
  for (size_t i = cut; i > 0; --i) {
    char c = inf_path[i - 1];
    if (c == '\\' || c == '/') break;
    if (c == '.') {
      cut = i - 1;
      break;
    }
  }
  // The stem, the extension (its NUL included) and nothing more.
  if (size < 0 || cut + sizeof kExtension > (size_t)size) return false;
  memcpy(pnf_path, inf_path, cut);
  memcpy(pnf_path + cut, kExtension, sizeof kExtension);
  return true;
}
