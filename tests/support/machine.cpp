#include "support/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/case_ledger.h"
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

/// Claims for the running case each string of a hardware-ID value.
void ClaimIds(const std::string& bytes) {
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
    if (end > start)
      CaseLedger::Current().Claim(bytes.substr(start, end - start));
    start = end + 1;
  }
}

/// A device the running case made, removed when it ends.
std::string Made(const std::string& instance_id) {
  if (!instance_id.empty()) CaseLedger::Current().MadeDevice(instance_id);
  return instance_id;
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
  for (const std::string& id : hardware_ids) CaseLedger::Current().Claim(id);
  return Made(Checked(devices::Create(hardware_ids)));
}

std::string CreateDeviceWithRawIds(const std::string& bytes) {
  ClaimIds(bytes);
  return Made(Checked(devices::CreateWithRawIds(bytes)));
}

std::string CreateDeviceWithValue(unsigned long type,
                                  const std::string& bytes) {
  ClaimIds(bytes);
  return Made(Checked(devices::CreateWithValue(type, bytes)));
}

void MakeNotPresent(const std::string& instance_id) {
  Checked(devices::MakeNotPresent(instance_id));
}

void RemoveDevice(const std::string& instance_id) {
  Checked(devices::Remove(instance_id));
}

std::vector<DeviceInfo> ListDevices() { return Checked(devices::List()); }

bool DeviceExists(const std::string& instance_id) {
  return devices::Exists(instance_id);
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

std::vector<fs::path> PreInstalled(const std::string& inf) {
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(InfFolder())) {
    if (entry.is_regular_file() && ReadWholeFile(entry.path()) == inf) {
      copies.push_back(entry.path());
      CaseLedger::Current().MadeFile(entry.path());
      CaseLedger::Current().MadeFile(
          fs::path(entry.path()).replace_extension(".pnf"));
    }
  }
  return copies;
}

Driver PlaceDriver(const std::string& inf_name,
                   const std::vector<std::string>& hardware_ids, Pnf pnf) {
  const Driver driver = {inf_name,
                         fs::path(inf_name).replace_extension(".pnf").string(),
                         pnf == Pnf::kPlaced};
  CaseLedger& ledger = CaseLedger::Current();
  ledger.Claim(driver.inf);
  for (const std::string& id : hardware_ids) ledger.Claim(id);
  // Kestrum may have deleted them; whatever is left goes.
  ledger.MadeFile(InfFolder() / driver.inf);
  ledger.MadeFile(InfFolder() / driver.pnf);
  WriteFile(InfFolder() / driver.inf, DriverInf(hardware_ids));
  if (driver.pnf_placed) {
    WriteFile(InfFolder() / driver.pnf, "precompiled " + driver.inf);
  }
  return driver;
}

}  // namespace harness
