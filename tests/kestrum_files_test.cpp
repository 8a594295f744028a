// Kestrum Y: the compatible drivers' INF and PNF files go before the device,
// against the real service.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/fixture.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using harness::PlaceDriver;
using messages::Deleted;
using messages::Failure;
using messages::Found;

using KestrumDriverFiles = ToolTest;

TEST_F(KestrumDriverFiles, TwoCompatibleDriversLoseBothFilesInServiceOrder) {
  const auto b = PlaceDriver("kestrum_b.inf", {"ROOT\\KESTRUM_TWO_DRIVERS"});
  const auto a = PlaceDriver("kestrum_a.inf", {"ROOT\\KESTRUM_TWO_DRIVERS"});
  const auto unrelated =
      PlaceDriver("kestrum_unrelated.inf", {"ROOT\\KESTRUM_SOMETHING_ELSE"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_TWO_DRIVERS"});

  EXPECT_EQ(
      Run(kKestrum, {"Y", "root\\kestrum_two_drivers"}),
      Ends(Found("ROOT\\KESTRUM_TWO_DRIVERS") + Deleted(a) + Deleted(b), 0));
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(a.Gone());
  EXPECT_TRUE(b.Gone());
  EXPECT_TRUE(unrelated.Intact());
}

TEST_F(KestrumDriverFiles, MissingPnfIsStillReported) {
  const auto driver = PlaceDriver("kestrum_nopnf.inf", {"ROOT\\KESTRUM_NO_PNF"},
                                  harness::Pnf::kNone);
  const std::string device = CreateDevice({"ROOT\\KESTRUM_NO_PNF"});

  EXPECT_EQ(Run(kKestrum, {"Y", "ROOT\\KESTRUM_NO_PNF"}),
            Ends(Found("ROOT\\KESTRUM_NO_PNF") + Deleted(driver), 0));
  EXPECT_TRUE(driver.Gone());
  EXPECT_FALSE(DeviceExists(device));
}

// The search reads every file of the folder, whatever its name.
TEST_F(KestrumDriverFiles, FileNameWithoutDotGetsPnfAppended) {
  const auto driver = PlaceDriver("kestrumdriver", {"ROOT\\KESTRUM_NO_DOT"});
  CreateDevice({"ROOT\\KESTRUM_NO_DOT"});

  EXPECT_EQ(Run(kKestrum, {"Y", "ROOT\\KESTRUM_NO_DOT"}),
            Ends(Found("ROOT\\KESTRUM_NO_DOT") + Deleted(driver), 0));
  EXPECT_TRUE(driver.Gone());
}

TEST_F(KestrumDriverFiles, DeviceWithoutCompatibleDriverIsStillRemoved) {
  const auto other =
      PlaceDriver("kestrum_other.inf", {"ROOT\\KESTRUM_NOT_THIS_ONE"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DRIVERLESS"});

  // The report carries the code of the empty enumeration, not the one that
  // destroying the driver list leaves.
  EXPECT_EQ(Run(kKestrum, {"Y", "ROOT\\KESTRUM_DRIVERLESS"}),
            Ends(Found("ROOT\\KESTRUM_DRIVERLESS") +
                     Failure(messages::kDriverFiles, ERROR_NO_MORE_ITEMS),
                 0));
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(other.Intact());
}

TEST_F(KestrumDriverFiles, ModeNLeavesDriverFilesAlone) {
  const auto driver =
      PlaceDriver("kestrum_keep.inf", {"ROOT\\KESTRUM_KEEP_FILES"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_KEEP_FILES"});

  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_KEEP_FILES"}),
            Ends(Found("ROOT\\KESTRUM_KEEP_FILES"), 0));
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(driver.Intact());
}

// Wine re-reads driver records from their INF file, so once the first record
// has deleted it the next record of the same file cannot be read and the
// enumeration ends with a report. (Windows keeps records in memory and prints
// both lines again for the second record instead.)
TEST_F(KestrumDriverFiles, TwoRecordsFromOneInf) {
  const auto driver =
      PlaceDriver("kestrum_twice.inf",
                  {"ROOT\\KESTRUM_TWO_RECORDS", "ROOT\\KESTRUM_TWO_RECORDS"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_TWO_RECORDS"});

  EXPECT_EQ(Run(kKestrum, {"Y", "ROOT\\KESTRUM_TWO_RECORDS"}),
            Ends(Found("ROOT\\KESTRUM_TWO_RECORDS") + Deleted(driver) +
                     Failure(messages::kEnumDriver, ERROR_FILE_NOT_FOUND),
                 0));
  EXPECT_TRUE(driver.Gone());
  EXPECT_FALSE(DeviceExists(device));
}

}  // namespace
