// The machine's state file: machine.json in the machine directory, read by
// every process and rewritten whole on every change.
//
// A machine directory that is not named, cannot be read or written, or a state
// file that is not valid, is a broken test set-up rather than a condition
// Windows has. An unnamed one ends the process with one line; the others throw
// std::runtime_error, which ends a tool with the reason.
#include "machine.h"

#include <standin/testing.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "ascii.h"
#include "device_class.h"

namespace standin {
namespace {

using json = nlohmann::ordered_json;
using namespace std::string_literals;

constexpr char kStateFile[] = "machine.json";

// The devices and folders of a fresh Wine 8 prefix, as it reports them.
// WINEBUS and WINEUSB store 28 bytes with junk after the terminating empty
// string and no final NUL, which a hardware-ID walk must survive.
MachineState FreshState() {
  MachineState state;
  state.devices = {
      {"DISPLAY\\DEFAULT_MONITOR\\0000&0000", "Monitor", kMonitorClass,
       "MONITOR\\Default_Monitor\0\0"s, true},
      {"HID\\VID_845E&PID_0001\\0&0000&0&0", "HIDClass", kHidClass,
       "HID\\VID_845E&PID_0001\\0&0000&0&0\0HID\\VID_845E&PID_0001\0HID\0\0"s,
       true},
      {"HID\\VID_845E&PID_0002\\0&0000&0&0", "HIDClass", kHidClass,
       "HID\\VID_845E&PID_0002\\0&0000&0&0\0HID\\VID_845E&PID_0002\0HID\0\0"s,
       true},
      {"PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00\\00000000", "Display",
       kDisplayClass, "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00\0\0"s,
       true},
      {"ROOT\\WINE\\WINEBUS", "System", kSystemClass,
       "root\\winebus\0\0C:\\windows\\inf"s, true},
      {"ROOT\\WINE\\WINEUSB", "System", kSystemClass,
       "root\\wineusb\0\0C:\\windows\\inf"s, true},
      {"WINEBUS\\VID_845E&PID_0001\\0&0000&0&0", "HIDClass", kHidClass,
       "WINEBUS\\VID_845E&PID_0001\0\0"s, true},
      {"WINEBUS\\VID_845E&PID_0002\\0&0000&0&0", "HIDClass", kHidClass,
       "WINEBUS\\VID_845E&PID_0002\0\0"s, true},
  };
  // Windows 98 also keeps OEM INF files in INF\OTHER, which Wine never
  // searches: searched here on purpose, so that the removal tool's target
  // is covered.
  state.driver_folders = {"C:\\windows\\inf", "C:\\windows\\inf\\other"};
  return state;
}

// GUIDs in the state file are lower case; ParseGuid reads either case.
std::string FormatGuid(const GUID& guid) {
  std::string text = GuidText(guid);
  std::transform(text.begin(), text.end(), text.begin(), AsciiLower);
  return text;
}

GUID ParseGuid(const std::string& text) {
  unsigned data1 = 0, data2 = 0, data3 = 0, data4[8] = {};
  int consumed = 0;
  const int fields = std::sscanf(
      text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &data1, &data2,
      &data3, &data4[0], &data4[1], &data4[2], &data4[3], &data4[4], &data4[5],
      &data4[6], &data4[7], &consumed);
  if (fields != 11 || text.size() != 38 ||
      consumed != static_cast<int>(text.size())) {
    throw std::runtime_error("bad class GUID \"" + text + "\"");
  }
  GUID guid{data1, static_cast<WORD>(data2), static_cast<WORD>(data3), {}};
  std::copy(std::begin(data4), std::end(data4), guid.Data4);
  return guid;
}

// Hardware IDs are raw bytes. ASCII ones (NULs included) stay a readable
// string; anything else becomes an array of byte values, which JSON strings
// (UTF-8 only) could not hold.
json HardwareIdsToJson(const std::optional<std::string>& ids) {
  if (!ids) return nullptr;
  const bool ascii = std::all_of(ids->begin(), ids->end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x80;
  });
  if (ascii) return *ids;
  json bytes = json::array();
  for (char c : *ids) bytes.push_back(static_cast<unsigned char>(c));
  return bytes;
}

std::optional<std::string> HardwareIdsFromJson(const json& value) {
  if (value.is_null()) return std::nullopt;
  if (value.is_string()) return value.get<std::string>();
  std::string bytes;
  for (const json& byte : value) {
    const unsigned number = byte.get<unsigned>();
    if (number > 0xFF) throw std::runtime_error("hardware ID byte over 255");
    bytes += static_cast<char>(number);
  }
  return bytes;
}

json ToJson(const MachineState& state) {
  json devices = json::array();
  for (const Device& device : state.devices) {
    devices.push_back({{"instance_id", device.instance_id},
                       {"class_name", device.class_name},
                       {"class_guid", FormatGuid(device.class_guid)},
                       {"hardware_ids", HardwareIdsToJson(device.hardware_ids)},
                       {"hardware_id_type", device.hardware_id_type},
                       {"present", device.present}});
  }
  return {{"devices", devices}, {"driver_folders", state.driver_folders}};
}

MachineState FromJson(const json& document) {
  MachineState state;
  for (const json& entry : document.at("devices")) {
    Device device;
    device.instance_id = entry.at("instance_id").get<std::string>();
    device.class_name = entry.at("class_name").get<std::string>();
    device.class_guid = ParseGuid(entry.at("class_guid").get<std::string>());
    device.hardware_ids =
        HardwareIdsFromJson(entry.value("hardware_ids", json()));
    device.present = entry.value("present", true);
    device.hardware_id_type =
        entry.value("hardware_id_type", static_cast<DWORD>(REG_MULTI_SZ));
    state.devices.push_back(std::move(device));
  }
  state.driver_folders =
      document.at("driver_folders").get<std::vector<std::string>>();
  return state;
}

std::filesystem::path StateFile() { return MachineDir() / kStateFile; }

// The state this process last read or wrote, and the text of the file it is:
// loading an unchanged file again need not parse it, which would make every
// call of a scan cost as much as the whole machine. Comparing the text, not
// the file's times, cannot mistake one state for another.
struct CachedState {
  std::filesystem::path file;
  std::string text;
  MachineState state;
};

std::optional<CachedState>& Cache() {
  static auto* cache = new std::optional<CachedState>;  // outlives callers
  return *cache;
}

// Creates the folders a fresh installation has and saves its state.
MachineState CreateMachine() {
  std::filesystem::create_directories(MachineDir() / "drive_c" / "windows" /
                                      "inf" / "other");
  MachineState state = FreshState();
  SaveMachine(state);
  return state;
}

}  // namespace

std::filesystem::path MachineDir() {
  const char* named = std::getenv(testing::kMachineVariable);
  if (named == nullptr || *named == '\0') {
    // A default folder would be a machine nobody asked for, made quietly.
    std::fprintf(stderr, "standin: %s is not set: name the machine directory\n",
                 testing::kMachineVariable);
    std::exit(1);
  }
  return std::filesystem::absolute(named);
}

void EnsureMachine() {
  if (!std::filesystem::exists(StateFile())) CreateMachine();
}

MachineState LoadMachine() {
  const std::filesystem::path file = StateFile();
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (std::filesystem::exists(file)) {
      throw std::runtime_error("standin: cannot read " + file.string());
    }
    return CreateMachine();
  }
  std::ostringstream read;
  read << in.rdbuf();
  std::string text = std::move(read).str();
  std::optional<CachedState>& cache = Cache();
  if (cache && cache->file == file && cache->text == text) return cache->state;
  MachineState state;
  try {
    state = FromJson(json::parse(text));
  } catch (const std::exception& error) {
    throw std::runtime_error("standin: " + file.string() + ": " + error.what());
  }
  cache = CachedState{file, std::move(text), state};
  return state;
}

void SaveMachine(const MachineState& state) {
  const std::filesystem::path dir = MachineDir();
  std::filesystem::create_directories(dir);
  std::string text;
  try {
    text = ToJson(state).dump(2) + "\n";
  } catch (const nlohmann::json::exception& error) {
    throw std::runtime_error(std::string("standin: cannot save: ") +
                             error.what());
  }
  // A temporary file of this process in the same directory, so that the
  // rename replaces the state in one step.
  const std::filesystem::path temporary =
      dir / ("." + std::string(kStateFile) + "." + std::to_string(::getpid()));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error("standin: cannot write " + temporary.string());
    }
  }
  std::filesystem::rename(temporary, dir / kStateFile);
  Cache() = CachedState{dir / kStateFile, std::move(text), state};
}

Device* FindMachineDevice(MachineState* machine, std::string_view instance_id) {
  const auto found =
      std::find_if(machine->devices.begin(), machine->devices.end(),
                   [&](const Device& device) {
                     return EqualIgnoringCase(device.instance_id, instance_id);
                   });
  return found == machine->devices.end() ? nullptr : &*found;
}

}  // namespace standin
