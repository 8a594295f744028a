// Kestrum Y: the compatible drivers' INF and PNF files go before the device,
// against the real service.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"

namespace {

namespace fs = std::filesystem;
using harness::CreateDevice;
using harness::DeviceExists;
using harness::DriverInf;

// The two lines Kestrum prints for a driver whose files are inf_name and
// pnf_name in C:\windows\inf, named as the compatible-driver search names
// them.
std::string DeletedLines(const std::string& inf_name,
                         const std::string& pnf_name) {
  return "Deleted INF file: C:/windows/inf\\" + inf_name +
         "\nDeleted PNF file: C:/windows/inf\\" + pnf_name + "\n";
}

class KestrumDriverFiles : public ToolTest {
 protected:
  // Places name.inf and its name.pnf in C:\windows\inf.
  void PlaceDriver(const std::string& stem,
                   const std::vector<std::string>& model_ids) {
    harness::WriteFile(InfDir() / (stem + ".inf"), DriverInf(model_ids));
    harness::WriteFile(InfDir() / (stem + ".pnf"), "precompiled " + stem);
  }

  bool InInfDir(const std::string& name) const {
    return fs::exists(InfDir() / name);
  }
};

TEST_F(KestrumDriverFiles, TwoCompatibleDriversLoseBothFilesInServiceOrder) {
  PlaceDriver("kestrum_b", {"ROOT\\KESTRUM_TWO_DRIVERS"});
  PlaceDriver("kestrum_a", {"ROOT\\KESTRUM_TWO_DRIVERS"});
  PlaceDriver("kestrum_unrelated", {"ROOT\\KESTRUM_SOMETHING_ELSE"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_TWO_DRIVERS"});

  const auto run = RunKestrum({"Y", "root\\kestrum_two_drivers"});

  EXPECT_EQ(run.output, std::string("Found! [ROOT\\KESTRUM_TWO_DRIVERS]\n") +
                            DeletedLines("kestrum_a.inf", "kestrum_a.pnf") +
                            DeletedLines("kestrum_b.inf", "kestrum_b.pnf"));
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
  for (const char* gone :
       {"kestrum_a.inf", "kestrum_a.pnf", "kestrum_b.inf", "kestrum_b.pnf"}) {
    EXPECT_FALSE(InInfDir(gone)) << gone;
  }
  EXPECT_TRUE(InInfDir("kestrum_unrelated.inf"));
  EXPECT_TRUE(InInfDir("kestrum_unrelated.pnf"));
}

TEST_F(KestrumDriverFiles, MissingPnfIsStillReported) {
  harness::WriteFile(InfDir() / "kestrum_nopnf.inf",
                     DriverInf({"ROOT\\KESTRUM_NO_PNF"}));
  const std::string device = CreateDevice({"ROOT\\KESTRUM_NO_PNF"});

  const auto run = RunKestrum({"Y", "ROOT\\KESTRUM_NO_PNF"});

  EXPECT_EQ(run.output,
            std::string("Found! [ROOT\\KESTRUM_NO_PNF]\n") +
                DeletedLines("kestrum_nopnf.inf", "kestrum_nopnf.pnf"));
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(InInfDir("kestrum_nopnf.inf"));
  EXPECT_FALSE(DeviceExists(device));
}

// The search reads every file of the folder, whatever its name.
TEST_F(KestrumDriverFiles, FileNameWithoutDotGetsPnfAppended) {
  harness::WriteFile(InfDir() / "kestrumdriver",
                     DriverInf({"ROOT\\KESTRUM_NO_DOT"}));
  harness::WriteFile(InfDir() / "kestrumdriver.pnf", "precompiled");
  CreateDevice({"ROOT\\KESTRUM_NO_DOT"});

  const auto run = RunKestrum({"Y", "ROOT\\KESTRUM_NO_DOT"});

  EXPECT_EQ(run.output, std::string("Found! [ROOT\\KESTRUM_NO_DOT]\n") +
                            DeletedLines("kestrumdriver", "kestrumdriver.pnf"));
  EXPECT_FALSE(InInfDir("kestrumdriver"));
  EXPECT_FALSE(InInfDir("kestrumdriver.pnf"));
}

TEST_F(KestrumDriverFiles, DeviceWithoutCompatibleDriverIsStillRemoved) {
  PlaceDriver("kestrum_other", {"ROOT\\KESTRUM_NOT_THIS_ONE"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DRIVERLESS"});

  const auto run = RunKestrum({"Y", "ROOT\\KESTRUM_DRIVERLESS"});

  // The report carries the code of the empty enumeration, 259, not the one
  // that destroying the driver list leaves.
  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_DRIVERLESS]\n"
            "FAIL TO REMOVE SPECIFIED INF & PNF files! FAILURE: "
            "No more data available.\r\n\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(InInfDir("kestrum_other.inf"));
}

TEST_F(KestrumDriverFiles, ModeNLeavesDriverFilesAlone) {
  PlaceDriver("kestrum_keep", {"ROOT\\KESTRUM_KEEP_FILES"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_KEEP_FILES"});

  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_KEEP_FILES"});

  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_KEEP_FILES]\n");
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(InInfDir("kestrum_keep.inf"));
  EXPECT_TRUE(InInfDir("kestrum_keep.pnf"));
}

// Wine re-reads driver records from their INF file, so once the first record
// has deleted it the next record of the same file cannot be read and the
// enumeration ends with a report. (Windows keeps records in memory and prints
// both lines again for the second record instead.)
TEST_F(KestrumDriverFiles, TwoRecordsFromOneInf) {
  PlaceDriver("kestrum_twice",
              {"ROOT\\KESTRUM_TWO_RECORDS", "ROOT\\KESTRUM_TWO_RECORDS"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_TWO_RECORDS"});

  const auto run = RunKestrum({"Y", "ROOT\\KESTRUM_TWO_RECORDS"});

  const std::string first_record =
      std::string("Found! [ROOT\\KESTRUM_TWO_RECORDS]\n") +
      DeletedLines("kestrum_twice.inf", "kestrum_twice.pnf");
  EXPECT_EQ(
      run.output,
      first_record + "SetupDiEnumDriverInfo FAILURE: File not found.\r\n\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(InInfDir("kestrum_twice.inf"));
  EXPECT_FALSE(DeviceExists(device));
}

}  // namespace
