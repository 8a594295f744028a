// Any bytes as an INF file: parsing and reading fields never crashes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "inf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  standin::InfFile inf;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (standin::InfFile::Parse(text, &inf) != ERROR_SUCCESS) return 0;
  for (const char* section : {"Version", "Manufacturer", "Strings"}) {
    for (const standin::InfLine& line : inf.Lines(section)) {
      for (std::size_t field = 0; field <= line.fields.size() + 1; ++field) {
        inf.Field(line, field);
      }
    }
  }
  inf.Value("Version", "Provider");
  return 0;
}
