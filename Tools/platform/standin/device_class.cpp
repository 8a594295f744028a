#include "device_class.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace standin {
namespace {

struct KnownClass {
  GUID guid;
  const char* name;
};

constexpr KnownClass kKnownClasses[] = {
    {kSystemClass, "System"},
    {kMonitorClass, "Monitor"},
    {kDisplayClass, "Display"},
    {kHidClass, "HIDClass"},
};

}  // namespace

std::string ClassNameOf(const GUID& class_guid) {
  const auto found =
      std::find_if(std::begin(kKnownClasses), std::end(kKnownClasses),
                   [&](const KnownClass& known) {
                     return SameGuid(known.guid, class_guid);
                   });
  return found == std::end(kKnownClasses) ? "" : found->name;
}

std::string GuidText(const GUID& guid) {
  char text[39];
  std::snprintf(text, sizeof text,
                "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3,
                guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

bool SameGuid(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(std::begin(a.Data4), std::end(a.Data4),
                    std::begin(b.Data4));
}

}  // namespace standin
