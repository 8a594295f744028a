#include "support/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/driver_inf.h"
#include "support/harness.h"

namespace harness {
namespace {

namespace fs = std::filesystem;

/// A call's value; its failure fails the test.
template <typename T>
T Checked(devices::Result<T> result) {
  if (!result.error.empty()) ADD_FAILURE() << result.error;
  return std::move(result.value);
}

void Checked(const devices::Error& error) {
  if (!error.empty()) ADD_FAILURE() << error;
}

bool InInfFolder(const std::string& name) {
  return fs::exists(InfFolder() / name);
}

/// Asks the service how it spells the INF folder, through a driver of its
/// own; "" (and a failed test) when it does not say.
std::string AskInfFolder() {
  const std::string probe_id = "ROOT\\TOOLS_TESTS_INF_FOLDER";
  const Driver probe =
      PlaceDriver("tools_tests_inf_folder.inf", {probe_id}, Pnf::kNone);
  const std::vector<std::string> names =
      Checked(devices::CompatibleInfFileNames(probe_id));
  fs::remove(InfFolder() / probe.inf);
  if (names.size() != 1 || names[0].size() < probe.inf.size() ||
      names[0].compare(names[0].size() - probe.inf.size(), probe.inf.size(),
                       probe.inf) != 0) {
    ADD_FAILURE() << "the service does not name the driver placed to ask it "
                     "how it spells the INF folder ("
                  << names.size() << " drivers)";
    return {};
  }
  return names[0].substr(0, names[0].size() - probe.inf.size());
}

}  // namespace

std::string CreateDevice(const std::vector<std::string>& hardware_ids) {
  return Checked(devices::Create(hardware_ids));
}

std::string CreateDeviceWithRawIds(const std::string& bytes) {
  return Checked(devices::CreateWithRawIds(bytes));
}

std::string CreateDeviceWithValue(unsigned long type,
                                  const std::string& bytes) {
  return Checked(devices::CreateWithValue(type, bytes));
}

void MakeNotPresent(const std::string& instance_id) {
  Checked(devices::MakeNotPresent(instance_id));
}

void RemoveDevice(const std::string& instance_id) {
  Checked(devices::Remove(instance_id));
}

std::vector<DeviceInfo> ListDevices() { return Checked(devices::List()); }

bool DeviceExists(const std::string& instance_id) {
  const std::vector<DeviceInfo> devices = ListDevices();
  return std::any_of(devices.begin(), devices.end(),
                     [&](const DeviceInfo& device) {
                       return device.instance_id == instance_id;
                     });
}

fs::path InfFolder() { return "C:\\windows\\inf"; }

const std::string& InfFolderAsTheServiceSpellsIt() {
  static const std::string folder = AskInfFolder();
  return folder;
}

bool Driver::Intact() const {
  return InInfFolder(inf) && (!pnf_placed || InInfFolder(pnf));
}

bool Driver::Gone() const { return !InInfFolder(inf) && !InInfFolder(pnf); }

Driver PlaceDriver(const std::string& inf_name,
                   const std::vector<std::string>& hardware_ids, Pnf pnf) {
  const Driver driver = {inf_name,
                         fs::path(inf_name).replace_extension(".pnf").string(),
                         pnf == Pnf::kPlaced};
  WriteFile(InfFolder() / driver.inf, DriverInf(hardware_ids));
  if (driver.pnf_placed) {
    WriteFile(InfFolder() / driver.pnf, "precompiled " + driver.inf);
  }
  return driver;
}

}  // namespace harness
