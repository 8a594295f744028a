// Any INF path and any buffer size: the PNF path stays inside a buffer of
// exactly that size, and when it fits it is the path's folder and stem, cut
// at a dot of the file name only, with ".pnf".
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pnf_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 1) return 0;
  const int buffer_size = data[0];
  const std::string inf(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string path = inf.substr(0, inf.find('\0'));
  std::vector<char> pnf(buffer_size);
  if (!MakePnfPath(path.c_str(), pnf.data(), buffer_size)) {
    // Refused only when the stem and ".pnf" cannot fit.
    if (path.size() + 5 <= static_cast<std::size_t>(buffer_size)) {
      __builtin_trap();
    }
    return 0;
  }
  const std::string made(pnf.data());
  const std::size_t name = path.find_last_of("\\/") + 1;
  const std::size_t dot = path.find_last_of('.');
  const std::size_t stem =
      dot != std::string::npos && dot >= name ? dot : path.size();
  if (made != path.substr(0, stem) + ".pnf") __builtin_trap();
  return 0;
}
