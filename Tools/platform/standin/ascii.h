// Windows compares file, section and key names ignoring case. The stand-in
// folds ASCII letters only, which is all the tools' names use.
#ifndef STANDIN_ASCII_H_
#define STANDIN_ASCII_H_

#include <algorithm>
#include <string_view>

namespace standin {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

/// Orders names ignoring case, then by their bytes, so that the order is total.
inline bool LessIgnoringCase(std::string_view a, std::string_view b) {
  const auto folded = [](char x, char y) {
    return static_cast<unsigned char>(AsciiUpper(x)) <
           static_cast<unsigned char>(AsciiUpper(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                   folded)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                   folded)) {
    return false;
  }
  return a < b;
}

}  // namespace standin

#endif  // STANDIN_ASCII_H_
