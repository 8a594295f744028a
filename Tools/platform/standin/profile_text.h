// The text of an INI file as GetPrivateProfileStringA reads it (Wine's rules):
// how the bytes are decoded, how lines become sections and keys, and how a
// value or default is copied into the caller's buffer.
#ifndef STANDIN_PROFILE_TEXT_H_
#define STANDIN_PROFILE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct ProfileKey {
  std::string name;
  /// None for a line without '=': the key exists but has no value.
  std::optional<std::string> value;
};

struct ProfileSection {
  std::string name;
  std::vector<ProfileKey> keys;
};

/// The sections of a file, in file order. The first one, named "", holds the
/// keys before any section header.
using Profile = std::vector<ProfileSection>;

/// The file's bytes as ANSI (code page 1252) text: UTF-16 with a byte-order
/// mark and UTF-8 with a BOM are converted, anything else is already ANSI.
std::string DecodeProfileBytes(std::string_view bytes);

/// Splits ANSI text into sections and keys.
Profile ParseProfile(std::string_view text);

/// The value of `key` in the first section named `section`; names compare
/// ignoring case and surrounding white space. Nullptr when the section or key
/// is missing or the key has no value.
const std::string* FindProfileValue(const Profile& profile,
                                    std::string_view section,
                                    std::string_view key);

/// What fits a buffer of `size` (> 0) characters, NUL included: the value
/// without balanced surrounding quotes, truncated to size - 1.
std::string CopyProfileEntry(std::string_view value, std::size_t size);

/// GetPrivateProfileIntA's reading of a value: C's strtoul with base 0 except
/// that only lowercase "0x", "0o" and "0b" prefixes count (so "010" is ten),
/// wrapping at 32 bits.
std::uint32_t ParseProfileInt(std::string_view text);

}  // namespace standin

#endif  // STANDIN_PROFILE_TEXT_H_
