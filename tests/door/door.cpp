// The door's side of every operation: count the call, fail it or answer for it
// when a fault is due, else pass it to the real service; trace it either way.
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

/// One call of an operation: whether a fault is due, and its trace line: the
/// fields chained onto the call, then the result and the last-error code the
/// call leaves.
class Call {
 public:
  explicit Call(std::string_view operation)
      : fault_(FaultFor(operation)), line_("call", operation) {}
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  /// The trace line's fields, as TraceLine writes them.
  template <typename Value>
  Call& Text(std::string_view key, Value value) {
    line_.Text(key, value);
    return *this;
  }
  Call& Number(std::string_view key, unsigned long long value) {
    line_.Number(key, value);
    return *this;
  }
  Call& Hex(std::string_view key, unsigned long long value) {
    line_.Hex(key, value);
    return *this;
  }
  Call& Address(std::string_view key, const void* address) {
    line_.Address(key, address);
    return *this;
  }

  /// Whether the call must fail instead of reaching the service.
  bool Fails() const { return fault_ && fault_->answer.empty(); }

  /// The answer the call must give instead of the service's, or "".
  std::string_view answer() const {
    return fault_ ? fault_->answer : std::string_view();
  }

  /// Fails the call when a fault is due, else passes `args` to `service`: the
  /// real operation, or a lambda that traces what it gave as well.
  template <typename Service, typename... Args>
  auto Pass(std::invoke_result_t<Service, Args...> failure, Service service,
            Args... args) {
    if (!Fails()) return Finish(service(args...));
    SetLastError(fault_->error);
    return Finish(failure);
  }

  /// As Pass, but the service releases its resource for real even when a
  /// fault is due, which the call then reports.
  template <typename Service, typename... Args>
  auto Release(std::invoke_result_t<Service, Args...> failure, Service service,
               Args... args) {
    const auto result = service(args...);
    return Pass(failure, [result] { return result; });
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
  return Call(__func__)
      .Address("class", class_guid)
      .Text("enumerator", enumerator)
      .Hex("flags", flags)
      .Pass(INVALID_HANDLE_VALUE, [&] {
        HDEVINFO set =
            ::SetupDiGetClassDevsA(class_guid, enumerator, parent, flags);
        if (set != INVALID_HANDLE_VALUE) {
          TraceEvent("open", "devinfo", "id", set);
        }
        return set;
      });
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index,
                                  PSP_DEVINFO_DATA device) {
  return Call(__func__)
      .Number("index", index)
      .Number("device_cbSize", SizeOf(device))
      .Pass(FALSE, ::SetupDiEnumDeviceInfo, set, index, device);
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set,
                                              PSP_DEVINFO_DATA device,
                                              DWORD property, PDWORD type,
                                              PBYTE buffer, DWORD size,
                                              PDWORD required) {
  Call call(__func__);
  call.Number("device_cbSize", SizeOf(device))
      .Number("property", property)
      .Number("size", size);
  return call.Pass(FALSE, [&] {
    const BOOL result = ::SetupDiGetDeviceRegistryPropertyA(
        set, device, property, type, buffer, size, required);
    if (required != nullptr) call.Number("required", *required);
    return result;
  });
}

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                      PSP_DEVINFO_DATA device) {
  return Call(__func__)
      .Number("function", function)
      .Number("device_cbSize", SizeOf(device))
      .Pass(FALSE, ::SetupDiCallClassInstaller, function, set, device);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  TraceEvent("close", "devinfo", "id", set);
  return Call(__func__).Release(FALSE, ::SetupDiDestroyDeviceInfoList, set);
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO set,
                                           PSP_DEVINFO_DATA device,
                                           PSP_DEVINSTALL_PARAMS_A params) {
  return Call(__func__)
      .Number("device_cbSize", SizeOf(device))
      .Number("params_cbSize", params->cbSize)
      .Pass(FALSE, ::SetupDiGetDeviceInstallParamsA, set, device, params);
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO set,
                                           PSP_DEVINFO_DATA device,
                                           PSP_DEVINSTALL_PARAMS_A params) {
  return Call(__func__)
      .Number("device_cbSize", SizeOf(device))
      .Number("params_cbSize", params->cbSize)
      .Hex("FlagsEx", params->FlagsEx)
      .Pass(FALSE, ::SetupDiSetDeviceInstallParamsA, set, device, params);
}

BOOL WINAPI SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD type) {
  return Call(__func__)
      .Number("device_cbSize", SizeOf(device))
      .Number("type", type)
      .Pass(FALSE, [&] {
        const BOOL built = ::SetupDiBuildDriverInfoList(set, device, type);
        if (built) TraceDriverList("open", set, device);
        return built;
      });
}

BOOL WINAPI SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                   DWORD type, DWORD index,
                                   PSP_DRVINFO_DATA_A driver) {
  return Call(__func__)
      .Number("device_cbSize", SizeOf(device))
      .Number("type", type)
      .Number("index", index)
      .Number("driver_cbSize", driver->cbSize)
      .Pass(FALSE, ::SetupDiEnumDriverInfoA, set, device, type, index, driver);
}

BOOL WINAPI SetupDiGetDriverInfoDetailA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                        PSP_DRVINFO_DATA_A driver,
                                        PSP_DRVINFO_DETAIL_DATA_A detail,
                                        DWORD size, PDWORD required) {
  Call call(__func__);
  call.Number("device_cbSize", SizeOf(device))
      .Number("driver_cbSize", driver->cbSize)
      .Number("detail_cbSize", detail->cbSize)
      .Number("size", size);
  return call.Pass(FALSE, [&] {
    const BOOL result = ::SetupDiGetDriverInfoDetailA(set, device, driver,
                                                      detail, size, required);
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
    call.Text("InfFileName",
              std::string_view(name, std::find(name, name_end, '\0') - name));
    return result;
  });
}

BOOL WINAPI SetupDiDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                         DWORD type) {
  TraceDriverList("close", set, device);
  return Call(__func__)
      .Number("device_cbSize", SizeOf(device))
      .Number("type", type)
      .Release(FALSE, ::SetupDiDestroyDriverInfoList, set, device, type);
}

BOOL WINAPI SetupCopyOEMInfA(PCSTR source, PCSTR media_location,
                             DWORD media_type, DWORD copy_style,
                             PSTR destination, DWORD size, PDWORD required,
                             PSTR* component) {
  return Call(__func__)
      .Text("source", source)
      .Text("media_location", media_location)
      .Number("media_type", media_type)
      .Number("copy_style", copy_style)
      .Number("size", size)
      .Pass(FALSE, ::SetupCopyOEMInfA, source, media_location, media_type,
            copy_style, destination, size, required, component);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  Call call(__func__);
  call.Number("size", size);
  // A directory of `size` characters: the buffer is left as it is, and the
  // size it would take, with its NUL, comes back.
  if (call.answer() == "long") return call.Finish(size + 1);
  return call.Pass(0, ::GetCurrentDirectoryA, size, buffer);
}

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key,
                                      LPCSTR fallback, LPSTR buffer, DWORD size,
                                      LPCSTR path) {
  Call call(__func__);
  call.Text("section", section)
      .Text("key", key)
      .Text("default", fallback)
      .Number("size", size)
      .Text("path", path);
  return call.Pass(0, [&] {
    const DWORD length =
        ::GetPrivateProfileStringA(section, key, fallback, buffer, size, path);
    call.Text("value", buffer);
    return length;
  });
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback,
                                  LPCSTR path) {
  return Call(__func__)
      .Text("section", section)
      .Text("key", key)
      .Number("default", static_cast<UINT>(fallback))
      .Text("path", path)
      .Pass(fallback, ::GetPrivateProfileIntA, section, key, fallback, path);
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
  return Call(__func__).Text("path", path).Pass(FALSE, ::DeleteFileA, path);
}

HANDLE WINAPI FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA found) {
  return Call(__func__).Text("path", path).Pass(INVALID_HANDLE_VALUE, [&] {
    HANDLE search = ::FindFirstFileA(path, found);
    if (search != INVALID_HANDLE_VALUE) {
      TraceEvent("open", "find", "id", search);
    }
    return search;
  });
}

BOOL WINAPI FindClose(HANDLE search) {
  TraceEvent("close", "find", "id", search);
  return Call(__func__).Release(FALSE, ::FindClose, search);
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD code,
                            DWORD language, LPSTR buffer, DWORD size,
                            va_list* arguments) {
  return Call(__func__)
      .Hex("flags", flags)
      .Hex("code", code)
      .Hex("language", language)
      .Pass(0, [&] {
        const DWORD length = ::FormatMessageA(flags, source, code, language,
                                              buffer, size, arguments);
        if (length != 0 && (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
          TraceBlock("heap", *reinterpret_cast<char**>(buffer), length + 1);
        }
        return length;
      });
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  return Call(__func__)
      .Hex("flags", flags)
      .Number("bytes", bytes)
      .Pass(nullptr, [&] {
        HLOCAL block = ::LocalAlloc(flags, bytes);
        if (block != nullptr) TraceBlock("heap", block, bytes);
        return block;
      });
}

HLOCAL WINAPI LocalFree(HLOCAL block) {
  if (block != nullptr) TraceEvent("free", "heap", "block", block);
  return Call(__func__)
      .Address("block", block)
      .Release(block, ::LocalFree, block);
}

char* _strdup(const char* text) {
  return Call(__func__).Text("text", text).Pass(nullptr, [&] {
    char* copy = ::_strdup(text);
    if (copy != nullptr) TraceBlock("crt", copy, strlen(copy) + 1);
    return copy;
  });
}

void free(void* block) {
  Call call(__func__);
  call.Address("block", block);
  if (block != nullptr) TraceEvent("free", "crt", "block", block);
  ::free(block);
  call.Finish(0);
}

// Takes each listed operation's address: one not defined above fails the link.
#define DOOR_OPERATION(name) \
  [[gnu::used]] constexpr auto* name##_defined = &name;
#include "operations.inc"
#undef DOOR_OPERATION

}  // namespace door
