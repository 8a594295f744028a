// Any bytes as an INI file: reading it never crashes, and what a lookup
// copies always fits the caller's buffer with its NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const standin::Profile profile =
      standin::ParseProfile(standin::DecodeProfileBytes(bytes));
  for (const char* section : {"Hardware", "RemoveINF", ""}) {
    for (const char* key : {"Dev0", "Dev1", "Dev11"}) {
      const std::string* value =
          standin::FindProfileValue(profile, section, key);
      if (value == nullptr) continue;
      for (std::size_t buffer : {1u, 2u, 256u}) {
        if (standin::CopyProfileEntry(*value, buffer).size() >= buffer) {
          __builtin_trap();
        }
      }
      standin::ParseProfileInt(*value);
    }
  }
  return 0;
}
