// Test-only extension of the stand-in: what real Windows cannot be made to do
// on demand. Never included by the tools.
//
// A machine is a directory named by kMachineVariable. Faults and the trace
// belong to one process: a test puts them in the environment of the tool
// process it starts, so its own calls are neither failed nor traced.
#ifndef STANDIN_TESTING_H_
#define STANDIN_TESTING_H_

#include <standin/win32_api.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace standin::testing {

/// Names the machine directory (like WINEPREFIX for Wine).
inline constexpr char kMachineVariable[] = "STANDIN_MACHINE";
/// Holds the faults of a process, as EncodeFaults writes them.
inline constexpr char kFaultsVariable[] = "STANDIN_FAULTS";
/// Names the file a process appends its trace to.
inline constexpr char kTraceVariable[] = "STANDIN_TRACE";

/// The `call`-th call (from 1; 0 = every call) of `operation` fails with
/// `error`. For FormatMessageA a fault means "the system has no text".
struct Fault {
  std::string operation;
  int call = 1;
  DWORD error = 0;
};

/// The value for kFaultsVariable: "Operation#call=0xCODE" entries joined by ','.
std::string EncodeFaults(const std::vector<Fault>& faults);

/// One line of a trace. Kinds: "call" (name = operation, args = what was
/// passed, e.g. cbSize, size, flags, path), "open" / "close" (name = handle
/// kind: "devinfo", "drvlist", "find"; args["id"]), "alloc" / "free" (name =
/// "heap"; args["block"], args["bytes"] for alloc).
struct TraceEvent {
  std::string kind;
  std::string name;
  std::map<std::string, std::string> args;

  /// The value of `key`, or "" when the event has none.
  std::string Arg(const std::string& key) const;
};

/// Reads a trace file written by a process started with kTraceVariable.
std::vector<TraceEvent> ReadTrace(const std::filesystem::path& file);

/// Host path of a Windows path on the current machine: C:\ is the machine's
/// drive_c, Z:\ the host root; each existing component is matched ignoring case.
std::filesystem::path HostPath(std::string_view windows_path);

/// Windows form of a host path: under the machine's drive_c "C:\...",
/// elsewhere "Z:\...".
std::string WindowsPath(const std::filesystem::path& host_path);

/// Marks a registered device present or not present; false if there is no such
/// device.
bool SetDevicePresent(std::string_view instance_id, bool present);

/// Stores a registered device's hardware-ID value as these raw bytes of this
/// registry type, as a registry editor would (under Wine: the HardwareID
/// value of the device's Enum key); false if there is no such device.
bool SetHardwareIdValue(std::string_view instance_id, DWORD type,
                        std::string_view bytes);

/// Replaces the folders (Windows paths) searched for compatible drivers.
void SetDriverFolders(const std::vector<std::string>& folders);

}  // namespace standin::testing

#endif  // STANDIN_TESTING_H_
