#include "profile_text.h"

#include <algorithm>
#include <iterator>

#include "ascii.h"

namespace standin {
namespace {

// Code page 1252 bytes 0x80-0x9F; the other bytes are their own code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr char16_t kReplacement = 0xFFFD;

// Characters code page 1252 lacks become '?', as Wine's conversion gives
// when it has no close fit.
char ToAnsi(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
    return static_cast<char>(unit);
  }
  const auto found =
      std::find(std::begin(kCp1252High), std::end(kCp1252High), unit);
  return found != std::end(kCp1252High)
             ? static_cast<char>(0x80 + (found - std::begin(kCp1252High)))
             : '?';
}

std::string Utf16ToAnsi(std::string_view bytes, bool big_endian) {
  std::string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text += ToAnsi(static_cast<char16_t>(big_endian ? first << 8 | second
                                                    : second << 8 | first));
  }
  return text;
}

// Decodes one UTF-8 sequence at the front of `bytes` into UTF-16 units;
// a malformed byte becomes U+FFFD on its own.
std::size_t DecodeUtf8(std::string_view bytes, std::u16string* units) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const std::size_t length = lead < 0x80    ? 1
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                                            : 2;
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  bool valid = lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4);
  for (std::size_t i = 1; valid && i < length; ++i) {
    const auto next =
        i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    valid = (next & 0xC0) == 0x80;
    code = code << 6 | (next & 0x3F);
  }
  constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  valid = valid && code >= kMinimum[length] && code <= 0x10FFFF &&
          (code < 0xD800 || code > 0xDFFF);
  if (!valid) {
    units->push_back(kReplacement);
    return 1;
  }
  if (code > 0xFFFF) {
    code -= 0x10000;
    units->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    units->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  } else {
    units->push_back(static_cast<char16_t>(code));
  }
  return length;
}

std::string Utf8ToAnsi(std::string_view bytes) {
  std::u16string units;
  while (!bytes.empty()) bytes.remove_prefix(DecodeUtf8(bytes, &units));
  std::string text;
  std::transform(units.begin(), units.end(), std::back_inserter(text), ToAnsi);
  return text;
}

// Wine's white space; ^Z (a DOS end of file) counts too.
bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r' || c == '\x1a';
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  return TrimLeft(TrimRight(text));
}

// Names and values are C strings once read: a NUL in the file ends them.
std::string UpToNul(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace

std::string DecodeProfileBytes(std::string_view bytes) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
  constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    return Utf8ToAnsi(bytes.substr(kUtf8Bom.size()));
  }
  if (bytes.substr(0, 2) == kUtf16LeBom)
    return Utf16ToAnsi(bytes.substr(2), false);
  if (bytes.substr(0, 2) == kUtf16BeBom)
    return Utf16ToAnsi(bytes.substr(2), true);
  return std::string(bytes);
}

Profile ParseProfile(std::string_view text) {
  Profile profile(1);
  std::size_t start = 0;
  while (start < text.size()) {
    // CR and LF each end a line; the empty lines between are skipped.
    const std::size_t end =
        std::min(text.find_first_of("\r\n", start), text.size());
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      // The name runs to the last ']'; a line with none is not a header.
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        profile.push_back({UpToNul(Trim(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    const std::size_t equals = line.find('=');
    ProfileKey key;
    if (equals == std::string_view::npos) {
      key.name = UpToNul(line);
    } else {
      key.name = UpToNul(TrimRight(line.substr(0, equals)));
      key.value = UpToNul(TrimLeft(line.substr(equals + 1)));
    }
    profile.back().keys.push_back(std::move(key));
  }
  return profile;
}

const std::string* FindProfileValue(const Profile& profile,
                                    std::string_view section,
                                    std::string_view key) {
  // Only the first section of a name counts, and the first key in it.
  section = Trim(section);
  key = Trim(key);
  const auto in_section = std::find_if(
      profile.begin(), profile.end(), [section](const ProfileSection& s) {
        return EqualIgnoringCase(s.name, section);
      });
  if (in_section == profile.end()) return nullptr;
  const auto found = std::find_if(
      in_section->keys.begin(), in_section->keys.end(),
      [key](const ProfileKey& k) { return EqualIgnoringCase(k.name, key); });
  if (found == in_section->keys.end() || !found->value) return nullptr;
  return &*found->value;
}

std::string CopyProfileEntry(std::string_view value, std::size_t size) {
  const bool quoted = value.size() > 1 &&
                      (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (quoted) value.remove_prefix(1);
  std::string copy(value.substr(0, size - 1));
  // Wine drops the closing quote after truncating, so a quoted value exactly
  // one character too long for the buffer loses its last real character.
  if (quoted && size >= value.size() && !copy.empty()) copy.pop_back();
  return copy;
}

std::uint32_t ParseProfileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i++] == '-';
  }
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const char c = AsciiUpper(text[i]);
    const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                                  : base;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0 - total : total;
}

}  // namespace standin
