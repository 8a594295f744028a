// The door's side of every operation: count the call, fail it or answer for it
// when a fault is due, else pass it to the real service; trace it either way.
#define TOOLS_DOOR_IMPLEMENTATION
#include "door.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

#include "fault_plan.h"
#include "trace.h"

namespace door {
namespace {

/// One call of an operation: whether a fault is due, and its trace line,
/// written with the result and the last-error code the call leaves.
class Call {
 public:
  explicit Call(std::string_view operation)
      : fault_(FaultFor(operation)), line_("call", operation) {}
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  TraceLine& line() { return line_; }

  /// Whether the call must fail instead of reaching the service.
  bool Fails() const { return fault_ && fault_->answer.empty(); }

  /// The answer the call must give instead of the service's, or "".
  std::string_view answer() const {
    return fault_ ? fault_->answer : std::string_view();
  }

  /// Fails the call when a fault is due, else passes it to the service.
  template <typename T, typename Service>
  T Pass(T failure, Service service) {
    return Fails() ? Fail(failure) : Finish(service());
  }

  /// Ends a call that released its resource for real: `failure` when a fault
  /// is due, else the service's result.
  template <typename T>
  T Released(T failure, T result) {
    return Fails() ? Fail(failure) : Finish(result);
  }

  /// Ends a failing call: `failure` is returned with the fault's code.
  template <typename T>
  T Fail(T failure) {
    SetLastError(fault_->error);
    return Finish(failure);
  }

  /// Traces the result with the code the call left, which stays.
  template <typename T>
  T Finish(T result) {
    const DWORD error = GetLastError();
    if constexpr (std::is_pointer_v<T>) {
      line_.Address("result", result);
    } else {
      line_.Number("result", static_cast<unsigned long long>(result));
    }
    line_.Number("error", error);
    if (fault_) line_.Text("fault", fault_->written);
    line_.Write();
    SetLastError(error);
    return result;
  }

 private:
  std::optional<Fault> fault_;
  TraceLine line_;
};

/// A handle or heap event of the trace.
void TraceEvent(std::string_view kind, std::string_view name,
                std::string_view key, const void* id) {
  TraceLine(kind, name).Address(key, id).Write();
}

/// A block allocated on a heap ("heap": the local heap, "crt": MSVCRT's).
void TraceBlock(std::string_view heap, const void* block,
                unsigned long long bytes) {
  TraceLine("alloc", heap)
      .Address("block", block)
      .Number("bytes", bytes)
      .Write();
}

/// A driver list belongs to a set and a device: its id names both.
void TraceDriverList(std::string_view kind, HDEVINFO set,
                     PSP_DEVINFO_DATA device) {
  TraceLine(kind, "drvlist")
      .Address("id", set)
      .Number("device", device != nullptr ? device->DevInst : 0)
      .Write();
}

DWORD SizeOf(const SP_DEVINFO_DATA* device) {
  return device != nullptr ? device->cbSize : 0;
}

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator,
                                     HWND parent, DWORD flags) {
  Call call("SetupDiGetClassDevsA");
  call.line()
      .Address("class", class_guid)
      .Text("enumerator", enumerator)
      .Hex("flags", flags);
  if (call.Fails()) return call.Fail(INVALID_HANDLE_VALUE);
  HDEVINFO set = ::SetupDiGetClassDevsA(class_guid, enumerator, parent, flags);
  if (set != INVALID_HANDLE_VALUE) TraceEvent("open", "devinfo", "id", set);
  return call.Finish(set);
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index,
                                  PSP_DEVINFO_DATA device) {
  Call call("SetupDiEnumDeviceInfo");
  call.line().Number("index", index).Number("device_cbSize", SizeOf(device));
  return call.Pass(FALSE,
                   [&] { return ::SetupDiEnumDeviceInfo(set, index, device); });
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set,
                                              PSP_DEVINFO_DATA device,
                                              DWORD property, PDWORD type,
                                              PBYTE buffer, DWORD size,
                                              PDWORD required) {
  Call call("SetupDiGetDeviceRegistryPropertyA");
  call.line()
      .Number("device_cbSize", SizeOf(device))
      .Number("property", property)
      .Number("size", size);
  if (call.Fails()) return call.Fail(FALSE);
  const BOOL result = ::SetupDiGetDeviceRegistryPropertyA(
      set, device, property, type, buffer, size, required);
  if (required != nullptr) call.line().Number("required", *required);
  return call.Finish(result);
}

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                      PSP_DEVINFO_DATA device) {
  Call call("SetupDiCallClassInstaller");
  call.line()
      .Number("function", function)
      .Number("device_cbSize", SizeOf(device));
  return call.Pass(FALSE, [&] {
    return ::SetupDiCallClassInstaller(function, set, device);
  });
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  Call call("SetupDiDestroyDeviceInfoList");
  const BOOL result = ::SetupDiDestroyDeviceInfoList(set);
  TraceEvent("close", "devinfo", "id", set);
  return call.Released(BOOL{FALSE}, result);
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO set,
                                           PSP_DEVINFO_DATA device,
                                           PSP_DEVINSTALL_PARAMS_A params) {
  Call call("SetupDiGetDeviceInstallParamsA");
  call.line()
      .Number("device_cbSize", SizeOf(device))
      .Number("params_cbSize", params->cbSize);
  return call.Pass(FALSE, [&] {
    return ::SetupDiGetDeviceInstallParamsA(set, device, params);
  });
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO set,
                                           PSP_DEVINFO_DATA device,
                                           PSP_DEVINSTALL_PARAMS_A params) {
  Call call("SetupDiSetDeviceInstallParamsA");
  call.line()
      .Number("device_cbSize", SizeOf(device))
      .Number("params_cbSize", params->cbSize)
      .Hex("FlagsEx", params->FlagsEx);
  return call.Pass(FALSE, [&] {
    return ::SetupDiSetDeviceInstallParamsA(set, device, params);
  });
}

BOOL WINAPI SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD type) {
  Call call("SetupDiBuildDriverInfoList");
  call.line().Number("device_cbSize", SizeOf(device)).Number("type", type);
  if (call.Fails()) return call.Fail(FALSE);
  const BOOL built = ::SetupDiBuildDriverInfoList(set, device, type);
  if (built) TraceDriverList("open", set, device);
  return call.Finish(built);
}

BOOL WINAPI SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                   DWORD type, DWORD index,
                                   PSP_DRVINFO_DATA_A driver) {
  Call call("SetupDiEnumDriverInfoA");
  call.line()
      .Number("device_cbSize", SizeOf(device))
      .Number("type", type)
      .Number("index", index)
      .Number("driver_cbSize", driver->cbSize);
  return call.Pass(FALSE, [&] {
    return ::SetupDiEnumDriverInfoA(set, device, type, index, driver);
  });
}

BOOL WINAPI SetupDiGetDriverInfoDetailA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                        PSP_DRVINFO_DATA_A driver,
                                        PSP_DRVINFO_DETAIL_DATA_A detail,
                                        DWORD size, PDWORD required) {
  Call call("SetupDiGetDriverInfoDetailA");
  call.line()
      .Number("device_cbSize", SizeOf(device))
      .Number("driver_cbSize", driver->cbSize)
      .Number("detail_cbSize", detail->cbSize)
      .Number("size", size);
  if (call.Fails()) return call.Fail(FALSE);
  const BOOL result = ::SetupDiGetDriverInfoDetailA(set, device, driver, detail,
                                                    size, required);
  const bool filled = result || GetLastError() == ERROR_INSUFFICIENT_BUFFER;
  char* const name = detail->InfFileName;
  char* const name_end = name + MAX_PATH;
  std::string_view answer = call.answer();
  if (filled && answer == "unended") {
    // The name runs on to the field's end, as a path longer than it would.
    std::fill(std::find(name, name_end, '\0'), name_end, 'x');
  } else if (filled && answer.rfind("inf:", 0) == 0) {
    answer.remove_prefix(4);
    const std::size_t length =
        std::min(answer.size(), std::size_t{MAX_PATH - 1});
    std::copy_n(answer.data(), length, name);
    name[length] = '\0';
  }
  call.line().Text(
      "InfFileName",
      std::string_view(name, std::find(name, name_end, '\0') - name));
  return call.Finish(result);
}

BOOL WINAPI SetupDiDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                         DWORD type) {
  Call call("SetupDiDestroyDriverInfoList");
  call.line().Number("device_cbSize", SizeOf(device)).Number("type", type);
  const BOOL result = ::SetupDiDestroyDriverInfoList(set, device, type);
  TraceDriverList("close", set, device);
  return call.Released(BOOL{FALSE}, result);
}

BOOL WINAPI SetupCopyOEMInfA(PCSTR source, PCSTR media_location,
                             DWORD media_type, DWORD copy_style,
                             PSTR destination, DWORD size, PDWORD required,
                             PSTR* component) {
  Call call("SetupCopyOEMInfA");
  call.line()
      .Text("source", source)
      .Text("media_location", media_location)
      .Number("media_type", media_type)
      .Number("copy_style", copy_style)
      .Number("size", size);
  return call.Pass(FALSE, [&] {
    return ::SetupCopyOEMInfA(source, media_location, media_type, copy_style,
                              destination, size, required, component);
  });
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  Call call("GetCurrentDirectoryA");
  call.line().Number("size", size);
  if (call.Fails()) return call.Fail(DWORD{0});
  // A directory of `size` characters: the buffer is left as it is, and the
  // size it would take, with its NUL, comes back.
  if (call.answer() == "long") return call.Finish(size + 1);
  return call.Finish(::GetCurrentDirectoryA(size, buffer));
}

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key,
                                      LPCSTR fallback, LPSTR buffer, DWORD size,
                                      LPCSTR path) {
  Call call("GetPrivateProfileStringA");
  call.line()
      .Text("section", section)
      .Text("key", key)
      .Text("default", fallback)
      .Number("size", size)
      .Text("path", path);
  if (call.Fails()) return call.Fail(DWORD{0});
  const DWORD length =
      ::GetPrivateProfileStringA(section, key, fallback, buffer, size, path);
  call.line().Text("value", buffer);
  return call.Finish(length);
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback,
                                  LPCSTR path) {
  Call call("GetPrivateProfileIntA");
  call.line()
      .Text("section", section)
      .Text("key", key)
      .Number("default", static_cast<UINT>(fallback))
      .Text("path", path);
  return call.Pass(static_cast<UINT>(fallback), [&] {
    return ::GetPrivateProfileIntA(section, key, fallback, path);
  });
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
  Call call("DeleteFileA");
  call.line().Text("path", path);
  return call.Pass(FALSE, [&] { return ::DeleteFileA(path); });
}

HANDLE WINAPI FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA found) {
  Call call("FindFirstFileA");
  call.line().Text("path", path);
  if (call.Fails()) return call.Fail(INVALID_HANDLE_VALUE);
  HANDLE search = ::FindFirstFileA(path, found);
  if (search != INVALID_HANDLE_VALUE) TraceEvent("open", "find", "id", search);
  return call.Finish(search);
}

BOOL WINAPI FindClose(HANDLE search) {
  Call call("FindClose");
  const BOOL result = ::FindClose(search);
  TraceEvent("close", "find", "id", search);
  return call.Released(BOOL{FALSE}, result);
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD code,
                            DWORD language, LPSTR buffer, DWORD size,
                            va_list* arguments) {
  Call call("FormatMessageA");
  call.line().Hex("flags", flags).Hex("code", code).Hex("language", language);
  if (call.Fails()) return call.Fail(DWORD{0});
  const DWORD length =
      ::FormatMessageA(flags, source, code, language, buffer, size, arguments);
  if (length != 0 && (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
    TraceBlock("heap", *reinterpret_cast<char**>(buffer), length + 1);
  }
  return call.Finish(length);
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  Call call("LocalAlloc");
  call.line().Hex("flags", flags).Number("bytes", bytes);
  if (call.Fails()) return call.Fail(HLOCAL{nullptr});
  HLOCAL block = ::LocalAlloc(flags, bytes);
  if (block != nullptr) TraceBlock("heap", block, bytes);
  return call.Finish(block);
}

HLOCAL WINAPI LocalFree(HLOCAL block) {
  Call call("LocalFree");
  call.line().Address("block", block);
  TraceLine freed("free", "heap");
  freed.Address("block", block);
  const HLOCAL result = ::LocalFree(block);
  if (block != nullptr) freed.Write();
  return call.Released(block, result);
}

char* _strdup(const char* text) {
  Call call("_strdup");
  call.line().Text("text", text);
  if (call.Fails()) return call.Fail(static_cast<char*>(nullptr));
  char* copy = ::_strdup(text);
  if (copy != nullptr) TraceBlock("crt", copy, strlen(copy) + 1);
  return call.Finish(copy);
}

void free(void* block) {
  Call call("free");
  call.line().Address("block", block);
  TraceLine freed("free", "crt");
  freed.Address("block", block);
  ::free(block);
  if (block != nullptr) freed.Write();
  call.Finish(0);
}

}  // namespace door
