// Device setup classes: the class GUIDs the stand-in knows by name, and GUIDs
// as SetupAPI writes them.
#ifndef STANDIN_DEVICE_CLASS_H_
#define STANDIN_DEVICE_CLASS_H_

#include <standin/win32_api.h>

#include <string>

namespace standin {

/// Most setup classes Windows defines share all but their first field.
constexpr GUID WindowsClass(DWORD data1) {
  return {
      data1, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
}

// The classes of the devices a fresh machine has, and those tests create.
inline constexpr GUID kSystemClass = WindowsClass(0x4d36e97d);
inline constexpr GUID kMonitorClass = WindowsClass(0x4d36e96e);
inline constexpr GUID kDisplayClass = WindowsClass(0x4d36e968);
inline constexpr GUID kHidClass = {
    0x745a17a0,
    0x74d3,
    0x11d0,
    {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};

/// The class name Windows gives a class GUID; empty for a class it lacks.
std::string ClassNameOf(const GUID& class_guid);

/// "{4D36E97D-E325-11CE-BFC1-08002BE10318}".
std::string GuidText(const GUID& guid);

bool SameGuid(const GUID& a, const GUID& b);

}  // namespace standin

#endif  // STANDIN_DEVICE_CLASS_H_
