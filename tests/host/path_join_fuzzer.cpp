// Any directory, name and buffer size: the join stays inside a buffer of
// exactly that size, and succeeds exactly when directory "\" name fits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "path_join.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 1) return 0;
  const int buffer_size = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = rest.find('\0');
  const std::string directory = rest.substr(0, split);
  const std::string name =
      split == std::string::npos ? "" : rest.substr(split + 1);
  const std::string name_text = name.substr(0, name.find('\0'));
  std::vector<char> path(buffer_size, 'u');
  const bool joined =
      JoinPath(path.data(), buffer_size, directory.c_str(), name_text.c_str());
  const std::string expected = directory + "\\" + name_text;
  const bool fits =
      expected.size() + 1 <= static_cast<std::size_t>(buffer_size);
  if (joined != fits) __builtin_trap();
  if (joined && std::string(path.data()) != expected) __builtin_trap();
  if (!joined &&
      std::any_of(path.begin(), path.end(), [](char c) { return c != 'u'; })) {
    __builtin_trap();
  }
  return 0;
}
