// The SetupAPI calls the tools make, checked through the API itself: natively
// against the stand-in, cross-built against Wine. Passing on both is what
// shows that the stand-in answers as Wine does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform.h"
#include "support/device_sets.h"
#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using harness::DeviceSet;
using harness::FindDevice;
using harness::InstanceIds;
using harness::NewDeviceData;

// The fixed part of the detail record ends where its variable tail starts (on
// 64-bit the fixed part is padded, so not at sizeof - 1).
constexpr DWORD kFixedDetailSize = offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID);

// The models-section decoration of this build's architecture, which Wine
// prefers to the undecorated section.
#ifdef _WIN64
#define NT_ARCH "NTamd64"
#else
#define NT_ARCH "NTx86"
#endif

DeviceSet AllDevices() {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_ALLCLASSES);
  EXPECT_NE(set, INVALID_HANDLE_VALUE) << GetLastError();
  return harness::OwnSet(set);
}

struct Property {
  BOOL result = FALSE;
  DWORD error = 0;
  DWORD type = 0xCCCC;
  DWORD required = 0xCCCC;
  std::string bytes;
};

// One SPDRP_HARDWAREID call with a buffer of `size` bytes; for size 0 a
// buffer only when `with_buffer` is set.
Property HardwareIdProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD size,
                            bool with_buffer = false) {
  Property property;
  std::string buffer(size + 1, '\xCC');
  SetLastError(0);
  property.result = SetupDiGetDeviceRegistryPropertyA(
      set, device, SPDRP_HARDWAREID, &property.type,
      size != 0 || with_buffer ? reinterpret_cast<BYTE*>(buffer.data())
                               : nullptr,
      size, &property.required);
  property.error = GetLastError();
  if (property.result) property.bytes = buffer.substr(0, property.required);
  return property;
}

class SetupApi : public ToolTest {};

// The four answers of the hardware-ID property that the removal tool's loop
// relies on.
TEST_F(SetupApi, HardwareIdBufferProtocol) {
  const std::string bare = harness::CreateDevice({});
  const std::string named = harness::CreateDevice({"Root\\Named", "gen\\ID"});
  const std::string ids = "Root\\Named\0gen\\ID\0\0"s;
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;

  ASSERT_TRUE(FindDevice(set.get(), bare, &device));
  Property none = HardwareIdProperty(set.get(), &device, 0);
  EXPECT_FALSE(none.result);
  EXPECT_EQ(none.error, static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(none.type, 0u);
  EXPECT_EQ(none.required, 0u);
  none = HardwareIdProperty(set.get(), &device, 4096);
  EXPECT_FALSE(none.result);
  EXPECT_EQ(none.error, static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(none.required, 4096u);

  ASSERT_TRUE(FindDevice(set.get(), named, &device));
  for (DWORD size : {DWORD{0}, static_cast<DWORD>(ids.size() - 1)}) {
    SCOPED_TRACE(size);
    const Property short_buffer = HardwareIdProperty(set.get(), &device, size);
    EXPECT_FALSE(short_buffer.result);
    EXPECT_EQ(short_buffer.error,
              static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(short_buffer.type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(short_buffer.required, ids.size());
  }
  const Property fits = HardwareIdProperty(set.get(), &device, 4096);
  EXPECT_TRUE(fits.result);
  EXPECT_EQ(fits.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(fits.required, ids.size());
  EXPECT_EQ(fits.bytes, ids);
}

// Every shape a hardware-ID value can take comes back byte for byte with its
// type. A call with size 0 is a short buffer even for a value of 0 bytes: it
// asks for 0 bytes again, so a fetch that retries such an answer never ends.
TEST_F(SetupApi, HardwareIdValueShapes) {
  const struct {
    const char* name;
    std::string instance_id;
    DWORD type;
    std::string bytes;
  } cases[] = {
      {"empty", harness::CreateDeviceWithRawIds(""), REG_MULTI_SZ, ""},
      {"single NUL", harness::CreateDeviceWithRawIds("\0"s), REG_MULTI_SZ,
       "\0"s},
      // The registry ends a last string that was set without its NUL.
      {"set unterminated", harness::CreateDeviceWithRawIds("A\0B"s),
       REG_MULTI_SZ, "A\0B\0"s},
      {"REG_SZ", harness::CreateDeviceWithValue(REG_SZ, "ROOT\\SZ\0"s), REG_SZ,
       "ROOT\\SZ\0"s},
      {"raw unterminated",
       harness::CreateDeviceWithValue(REG_BINARY, "ROOT\\B\0ROOT\\C"s),
       REG_BINARY, "ROOT\\B\0ROOT\\C"s},
      {"raw junk after the end",
       harness::CreateDeviceWithValue(REG_BINARY, "ROOT\\B\0\0\xFF\xFE j"s),
       REG_BINARY, "ROOT\\B\0\0\xFF\xFE j"s},
  };
  DeviceSet set = AllDevices();
  for (const auto& shape : cases) {
    SCOPED_TRACE(shape.name);
    SP_DEVINFO_DATA device;
    ASSERT_TRUE(FindDevice(set.get(), shape.instance_id, &device));
    const auto size = static_cast<DWORD>(shape.bytes.size());
    for (const bool with_buffer : {false, true}) {
      SCOPED_TRACE(with_buffer ? "buffer of size 0" : "no buffer");
      Property none = HardwareIdProperty(set.get(), &device, 0, with_buffer);
      EXPECT_FALSE(none.result);
      EXPECT_EQ(none.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
      EXPECT_EQ(none.type, shape.type);
      EXPECT_EQ(none.required, size);
    }
    const Property fits = HardwareIdProperty(set.get(), &device, 4096);
    EXPECT_TRUE(fits.result);
    EXPECT_EQ(fits.type, shape.type);
    EXPECT_EQ(fits.required, size);
    EXPECT_EQ(fits.bytes, shape.bytes);
  }
}

// A device removed through another set: its record still names it, but its
// value is gone. The size-0 call asks for 0 bytes, as for an empty value.
TEST_F(SetupApi, HardwareIdOfDeviceRemovedElsewhere) {
  const std::string id = harness::CreateDevice({"ROOT\\SETUPAPI_ELSEWHERE"});
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(FindDevice(set.get(), id, &device));
  harness::RemoveDevice(id);

  for (const bool with_buffer : {false, true}) {
    SCOPED_TRACE(with_buffer ? "buffer of size 0" : "no buffer");
    const Property none = HardwareIdProperty(set.get(), &device, 0, with_buffer);
    EXPECT_FALSE(none.result);
    EXPECT_EQ(none.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(none.required, 0u);
  }
  const Property gone = HardwareIdProperty(set.get(), &device, 4096);
  EXPECT_FALSE(gone.result);
  EXPECT_EQ(gone.error, static_cast<DWORD>(ERROR_KEY_DELETED));
}

// Wine's own bus device stores junk after its terminating empty string and no
// final NUL; the bytes come back as they are.
TEST_F(SetupApi, WineBusValueComesBackAsStored) {
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(FindDevice(set.get(), "ROOT\\WINE\\WINEBUS", &device));
  const Property value = HardwareIdProperty(set.get(), &device, 4096);
  EXPECT_TRUE(value.result);
  EXPECT_EQ(value.bytes, "root\\winebus\0\0C:\\windows\\inf"s);
  EXPECT_EQ(value.required, 28u);
}

// New devices take the lowest free number, sit in instance-ID order, and are
// seen only by sets made after them.
TEST_F(SetupApi, CreatedDevicesAreNumberedAndOrdered) {
  DeviceSet before = AllDevices();
  const std::vector<std::string> old_ids = InstanceIds(before.get());
  EXPECT_EQ(harness::CreateDevice({"A"}), "ROOT\\SYSTEM\\0000");
  EXPECT_EQ(harness::CreateDevice({"B"}), "ROOT\\SYSTEM\\0001");
  EXPECT_EQ(InstanceIds(before.get()), old_ids);

  DeviceSet after = AllDevices();
  const std::vector<std::string> ids = InstanceIds(after.get());
  std::vector<std::string> expected = old_ids;
  const auto wine_bus =
      std::find(expected.begin(), expected.end(), "ROOT\\WINE\\WINEBUS");
  ASSERT_NE(wine_bus, expected.end());
  expected.insert(wine_bus, {"ROOT\\SYSTEM\\0000", "ROOT\\SYSTEM\\0001"});
  EXPECT_EQ(ids, expected);

  SP_DEVINFO_DATA device;
  ASSERT_TRUE(FindDevice(after.get(), "ROOT\\SYSTEM\\0000", &device));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, after.get(), &device));
  EXPECT_EQ(harness::CreateDevice({"C"}), "ROOT\\SYSTEM\\0000");
}

TEST_F(SetupApi, RemovedDeviceStaysInItsSet) {
  const std::string id = harness::CreateDevice({"ROOT\\SETUPAPI_REMOVE"});
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(FindDevice(set.get(), id, &device));
  const std::vector<std::string> ids = InstanceIds(set.get());

  EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device))
      << GetLastError();
  EXPECT_FALSE(harness::DeviceExists(id));
  SetLastError(0);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
  const Property after = HardwareIdProperty(set.get(), &device, 4096);
  EXPECT_FALSE(after.result);
  EXPECT_EQ(after.error, static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));

  // The index walk goes on over the removed record.
  SP_DEVINFO_DATA walked = NewDeviceData();
  DWORD count = 0;
  while (SetupDiEnumDeviceInfo(set.get(), count, &walked)) ++count;
  EXPECT_EQ(count, ids.size());
}

// A set names devices; their properties are read from the machine when asked.
TEST_F(SetupApi, PropertiesAreReadWhenAsked) {
  const std::string id = harness::CreateDevice({"OLD"});
  DeviceSet reader = AllDevices();
  DeviceSet writer = AllDevices();
  SP_DEVINFO_DATA read_device;
  SP_DEVINFO_DATA write_device;
  ASSERT_TRUE(FindDevice(reader.get(), id, &read_device));
  ASSERT_TRUE(FindDevice(writer.get(), id, &write_device));
  const std::string ids = "NEW\\ID\0\0"s;
  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(
      writer.get(), &write_device, SPDRP_HARDWAREID,
      reinterpret_cast<const BYTE*>(ids.data()),
      static_cast<DWORD>(ids.size())))
      << GetLastError();
  EXPECT_EQ(HardwareIdProperty(reader.get(), &read_device, 4096).bytes, ids);
}

// Wine's record checks: the record a call fills must have its size, a record
// a call reads must too, and the install parameters theirs.
TEST_F(SetupApi, RecordSizesAreChecked) {
  const std::string id = harness::CreateDevice({"ROOT\\SETUPAPI_SIZES"});
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;
  ASSERT_TRUE(FindDevice(set.get(), id, &device));

  SP_DEVINFO_DATA wrong = device;
  wrong.cbSize = sizeof wrong - 1;
  EXPECT_FALSE(SetupDiEnumDeviceInfo(set.get(), 0, &wrong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  wrong = device;
  wrong.cbSize = sizeof wrong - 1;
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &wrong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(harness::DeviceExists(id));

  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof params - 1;
  EXPECT_FALSE(SetupDiGetDeviceInstallParamsA(set.get(), &device, &params));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));

  EXPECT_FALSE(SetupDiEnumDeviceInfo(INVALID_HANDLE_VALUE, 0, &device));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Compatible drivers of one device, with everything enumeration reports.
class SetupApiDrivers : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    device_id_ = harness::CreateDevice({"ROOT\\SETUPAPI_DRV", "Gen\\Compat"});
    set_ = AllDevices();
    ASSERT_TRUE(FindDevice(set_.get(), device_id_, &device_));
  }

  void TearDown() override {
    set_.reset();
    ToolTest::TearDown();
  }

  BOOL Build() {
    return SetupDiBuildDriverInfoList(set_.get(), &device_, SPDIT_COMPATDRIVER);
  }

  // Enumerates driver `index` into `driver`; the error code after the call.
  DWORD Enum(DWORD index, SP_DRVINFO_DATA_V1_A* driver) {
    *driver = {};
    driver->cbSize = sizeof *driver;
    SetLastError(0);
    SetupDiEnumDriverInfoA(set_.get(), &device_, SPDIT_COMPATDRIVER, index,
                           reinterpret_cast<PSP_DRVINFO_DATA_A>(driver));
    return GetLastError();
  }

  struct Driver {
    std::string description, manufacturer, provider, section;
  };

  std::vector<Driver> Drivers() {
    std::vector<Driver> drivers;
    SP_DRVINFO_DATA_V1_A driver;
    DWORD index = 0;
    while (Enum(index++, &driver) == ERROR_SUCCESS) {
      EXPECT_EQ(driver.DriverType, static_cast<DWORD>(SPDIT_COMPATDRIVER));
      SP_DRVINFO_DETAIL_DATA_A detail;
      detail.cbSize = sizeof detail;
      SetupDiGetDriverInfoDetailA(set_.get(), &device_,
                                  reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
                                  &detail, sizeof detail, nullptr);
      drivers.push_back({driver.Description, driver.MfgName,
                         driver.ProviderName, detail.SectionName});
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    return drivers;
  }

  void DestroyList() {
    SetupDiDestroyDriverInfoList(set_.get(), &device_, SPDIT_COMPATDRIVER);
  }

  std::string device_id_;
  DeviceSet set_;
  SP_DEVINFO_DATA device_;
};

constexpr char kTwoModels[] =
    "; two models of one maker\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Provider=%Prov%\r\n"
    "[Manufacturer]\r\n"
    "%Mfg% = Models, " NT_ARCH "\r\n"
    "[Models]\r\n"
    "\"Undecorated\" = Never, ROOT\\SETUPAPI_DRV\r\n"
    "[Models." NT_ARCH "]\r\n"
    "%First% = FirstInstall, root\\setupapi_drv\r\n"
    "Unrelated = OtherInstall, ROOT\\SOMETHING_ELSE\r\n"
    "\"Second, by compatible ID\" = SecondInstall, X\\Y, GEN\\COMPAT\r\n"
    "[Strings]\r\n"
    "Prov = \"Provider B\"\r\n"
    "Mfg = \"Maker B\"\r\n"
    "First = \"First of B\"\r\n";

constexpr char kOneModel[] =
    "[Version]\r\n"
    "Signature=$CHICAGO$\r\n"
    "Provider=Provider A\r\n"
    "[Manufacturer]\r\n"
    "Maker A = ModelsA\r\n"
    "[ModelsA]\r\n"
    "Only of A = OnlyInstall, ROOT\\SETUPAPI_DRV\r\n";

// No ranking and no merging: files by name ignoring case, then model lines in
// file order, each a driver of its own.
TEST_F(SetupApiDrivers, OrderAcrossFilesAndModelLines) {
  harness::WriteFile(InfDir() / "SetupApi_B.inf", kTwoModels);
  harness::WriteFile(InfDir() / "setupapi_a.inf", kOneModel);
  ASSERT_TRUE(Build()) << GetLastError();
  const std::vector<Driver> drivers = Drivers();
  ASSERT_EQ(drivers.size(), 3u);
  EXPECT_EQ(drivers[0].description, "Only of A");
  EXPECT_EQ(drivers[0].manufacturer, "Maker A");
  EXPECT_EQ(drivers[0].provider, "Provider A");
  EXPECT_EQ(drivers[1].description, "First of B");
  EXPECT_EQ(drivers[1].manufacturer, "Maker B");
  EXPECT_EQ(drivers[1].provider, "Provider B");
  EXPECT_EQ(drivers[2].description, "Second, by compatible ID");
  DestroyList();
}

// Which models section a maker line leads to, and how a line's fields read:
// quotes, "" and %% escapes, [Strings] keys, comments, merged sections.
constexpr char kOddModels[] =
    "[Version]\r\n"
    "Signature=$CHICAGO$\r\n"
    "Provider=%Unknown%\r\n"
    "[Manufacturer]\r\n"
    "%One% = Nt, NT\r\n"
    "Two = Versioned, NTx86.5.1\r\n"
    "Three = Amd64Only, NTamd64\r\n"
    "\"Four, quoted\" = Unlisted\r\n"
    "Five = Merged\r\n"
    "[Nt]\r\n"
    "Never = X, ROOT\\SETUPAPI_DRV\r\n"
    "[Nt.NT]\r\n"
    "\"Q \"\"x\"\" ; y\" = %%pct%%, ROOT\\SETUPAPI_DRV ; comment\r\n"
    "[Versioned]\r\n"
    "Plain = V, %Id%\r\n"
    "[Versioned.NTx86.5.1]\r\n"
    "Never = X, ROOT\\SETUPAPI_DRV\r\n"
    "[Amd64Only]\r\n"
    "Never = X, ROOT\\SETUPAPI_DRV\r\n"
    "[Unlisted]\r\n"
    "Never = X, ROOT\\SETUPAPI_DRV\r\n"
    "[Unlisted.NTx86]\r\n"
    "%Nope% = U, ROOT\\SETUPAPI_DRV\r\n"
    "[Merged]\r\n"
    "First block = M1, ROOT\\SETUPAPI_DRV\r\n"
    "[Amd64Only.NTamd64]\r\n"
    "Never = X, ROOT\\SETUPAPI_DRV\r\n"
    "[merged]\r\n"
    "Second block = M2, ROOT\\SETUPAPI_DRV\r\n"
    "[Strings]\r\n"
    "One = \"Maker One\"\r\n"
    "ID = \"root\\setupapi_drv\"\r\n";

TEST_F(SetupApiDrivers, ModelSectionsAndFieldsAsWineReadsThem) {
  harness::WriteFile(InfDir() / "setupapi_odd.inf", kOddModels);
  ASSERT_TRUE(Build());
  const std::vector<Driver> drivers = Drivers();
  std::vector<std::string> seen;
  for (const Driver& driver : drivers) {
    seen.push_back(driver.description + " | " + driver.manufacturer + " | " +
                   driver.section);
  }
  // A 64-bit program counts NTamd64 makers, not NTx86 ones, and reads the
  // undecorated section where a 32-bit one reads .NTx86.
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Q \"x\" ; y | Maker One | %pct%",
#ifdef _WIN64
                      "Never | Three | X",
                      "Never | Four, quoted | X",
#else
                      "Plain | Two | V",
                      "%Nope% | Four, quoted | U",
#endif
                      "First block | Five | M1",
                      "Second block | Five | M2",
                  }));
  ASSERT_FALSE(drivers.empty());
  EXPECT_EQ(drivers[0].provider, "%Unknown%");
  DestroyList();
}

TEST_F(SetupApiDrivers, DetailOfFixedSizeHasTheInfPath) {
  harness::WriteFile(InfDir() / "setupapi_b.inf", kTwoModels);
  ASSERT_TRUE(Build());
  SP_DRVINFO_DATA_V1_A driver;
  ASSERT_EQ(Enum(1, &driver), static_cast<DWORD>(ERROR_SUCCESS));

  SP_DRVINFO_DETAIL_DATA_A detail;
  std::memset(&detail, 0xCC, sizeof detail);
  detail.cbSize = sizeof detail;
  SetLastError(0);
  EXPECT_FALSE(SetupDiGetDriverInfoDetailA(
      set_.get(), &device_, reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
      &detail, sizeof detail, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_STREQ(detail.InfFileName, "C:/windows/inf\\setupapi_b.inf");
  EXPECT_STREQ(detail.SectionName, "SecondInstall");
  EXPECT_STREQ(detail.DrvDescription, "Second, by compatible ID");

  // With room for the tail: the model line's IDs, compatible ones marked.
  const std::string tail = "X\\Y\0GEN\\COMPAT\0\0"s;
  std::vector<char> room(kFixedDetailSize + tail.size());
  auto* full = reinterpret_cast<PSP_DRVINFO_DETAIL_DATA_A>(room.data());
  full->cbSize = sizeof *full;
  DWORD required = 0;
  EXPECT_TRUE(SetupDiGetDriverInfoDetailA(
      set_.get(), &device_, reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver), full,
      static_cast<DWORD>(room.size()), &required))
      << GetLastError();
  EXPECT_EQ(required, room.size());
  EXPECT_EQ(std::string(full->HardwareID, tail.size()), tail);
  EXPECT_EQ(full->CompatIDsOffset, 4u);
  EXPECT_EQ(full->CompatIDsLength, tail.size() - 4);

  // A buffer below the fixed part is refused outright.
  SetLastError(0);
  EXPECT_FALSE(SetupDiGetDriverInfoDetailA(
      set_.get(), &device_, reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
      &detail, sizeof detail - 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  DestroyList();
}

// Wine's stub leaves ERROR_CALL_NOT_IMPLEMENTED (and returns FALSE, where
// Windows and the stand-in return TRUE: the tools never look).
TEST_F(SetupApiDrivers, DestroyingTheListLeavesCode120) {
  ASSERT_TRUE(Build());
  SetLastError(0);
  SetupDiDestroyDriverInfoList(set_.get(), &device_, SPDIT_COMPATDRIVER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(SetupApiDrivers, NoCompatibleDriver) {
  harness::WriteFile(InfDir() / "setupapi_other.inf",
                     harness::DriverInf({"ROOT\\NOT_THIS_DEVICE"}));
  EXPECT_TRUE(Build());
  SP_DRVINFO_DATA_V1_A driver;
  EXPECT_EQ(Enum(0, &driver), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  DestroyList();
}

// Records are read from their INF file again, so once it is deleted a later
// record of it is gone too.
TEST_F(SetupApiDrivers, DeletedInfFailsItsLaterRecords) {
  harness::WriteFile(InfDir() / "setupapi_b.inf", kTwoModels);
  harness::WriteFile(InfDir() / "setupapi_c.inf", kOneModel);
  ASSERT_TRUE(Build());
  SP_DRVINFO_DATA_V1_A driver;
  ASSERT_EQ(Enum(0, &driver), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(fs::remove(InfDir() / "setupapi_b.inf"));
  EXPECT_EQ(Enum(1, &driver), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Enum(2, &driver), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_STREQ(driver.Description, "Only of A");
  DestroyList();
}

// DriverPath narrows the search to one folder, named in InfFileName as given.
TEST_F(SetupApiDrivers, DriverPathIsTheOnlyFolderSearched) {
  harness::WriteFile(InfDir() / "setupapi_b.inf", kTwoModels);
  const fs::path folder = harness::HostPath("C:\\") / "Setup.Api";
  fs::create_directories(folder);
  harness::WriteFile(folder / "only", kOneModel);

  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof params;
  ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set_.get(), &device_, &params));
  params.FlagsEx |= DI_FLAGSEX_ALLOWEXCLUDEDDRVS;
  std::strcpy(params.DriverPath, "C:\\Setup.Api");
  ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(set_.get(), &device_, &params));
  params = {};
  params.cbSize = sizeof params;
  ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set_.get(), &device_, &params));
  EXPECT_NE(params.FlagsEx & DI_FLAGSEX_ALLOWEXCLUDEDDRVS, 0u);
  EXPECT_STREQ(params.DriverPath, "C:\\Setup.Api");

  ASSERT_TRUE(Build());
  SP_DRVINFO_DATA_V1_A driver;
  ASSERT_EQ(Enum(0, &driver), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_STREQ(driver.Description, "Only of A");
  SP_DRVINFO_DETAIL_DATA_A detail;
  detail.cbSize = sizeof detail;
  SetupDiGetDriverInfoDetailA(set_.get(), &device_,
                              reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
                              &detail, sizeof detail, nullptr);
  EXPECT_STREQ(detail.InfFileName, "C:\\Setup.Api\\only");
  EXPECT_EQ(Enum(1, &driver), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  DestroyList();
}

class SetupApiCopyOemInf : public ToolTest {
 protected:
  struct Copy {
    BOOL result = FALSE;
    DWORD error = 0;
    std::string destination;
  };

  // The pre-install tool's call: a 256-character buffer, no other outputs.
  static Copy CopyInf(const std::string& source, DWORD size = 256) {
    Copy copy;
    char destination[256] = {};
    SetLastError(0);
    copy.result = SetupCopyOEMInfA(source.c_str(), nullptr, SPOST_PATH, 0,
                                   destination, size, nullptr, nullptr);
    copy.error = GetLastError();
    copy.destination = destination;
    return copy;
  }

  // The same without a buffer, where Wine reports the true failure code.
  static DWORD FailureCode(const std::string& source) {
    DWORD required = 0;
    SetLastError(0);
    EXPECT_FALSE(SetupCopyOEMInfA(source.c_str(), nullptr, SPOST_PATH, 0,
                                  nullptr, 0, &required, nullptr))
        << source;
    return GetLastError();
  }

  std::string Source(const std::string& name) const {
    return harness::WindowsPath(work_dir() / name);
  }
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(SetupApiCopyOemInf, CopiesIntoTheInfFolderOnce) {
  const std::string inf = harness::DriverInf({"ROOT\\SETUPAPI_OEM"});
  harness::WriteFile(work_dir() / "oem_source.inf", inf);
  const Copy first = CopyInf(Source("oem_source.inf"));
  ASSERT_TRUE(first.result) << first.error;
  // Windows names the copy oemN.inf, Wine keeps the name while it is free:
  // both put it in C:\windows\inf.
  const std::string folder = "C:\\windows\\inf\\";
  ASSERT_EQ(first.destination.rfind(folder, 0), 0u) << first.destination;
  const fs::path copied = harness::HostPath(first.destination);
  EXPECT_EQ(ReadFile(copied), inf);
  EXPECT_TRUE(fs::exists(fs::path(copied).replace_extension(".pnf")));

  const Copy again = CopyInf(Source("oem_source.inf"));
  EXPECT_TRUE(again.result);
  EXPECT_EQ(again.destination, first.destination);

  const Copy cramped = CopyInf(Source("oem_source.inf"), 5);
  EXPECT_FALSE(cramped.result);
  EXPECT_EQ(cramped.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// The file is opened without the dots and spaces that end its name.
TEST_F(SetupApiCopyOemInf, SourceNameEndingInDotsOrSpaces) {
  const std::string inf = harness::DriverInf({"ROOT\\SETUPAPI_TRAIL"});
  harness::WriteFile(work_dir() / "trail.inf", inf);
  for (const char* typed : {"trail.inf ", "trail.inf."}) {
    SCOPED_TRACE(typed);
    const Copy copy = CopyInf(Source(typed));
    ASSERT_TRUE(copy.result) << copy.error;
    EXPECT_EQ(ReadFile(harness::HostPath(copy.destination)), inf);
  }
}

TEST_F(SetupApiCopyOemInf, RefusedSourcesAndTheirCodes) {
  fs::create_directories(work_dir() / "folder.inf");
  harness::WriteFile(work_dir() / "empty.inf", "");
  harness::WriteFile(work_dir() / "text.inf", "hello\r\n[Version]\r\n");
  harness::WriteFile(work_dir() / "noversion.inf", "; only\r\n[Strings]\r\n");
  const struct {
    std::string source;
    DWORD error;
  } cases[] = {
      {Source("missing.inf"), ERROR_FILE_NOT_FOUND},
      {Source("no_folder\\x.inf"), ERROR_PATH_NOT_FOUND},
      {Source("folder.inf"), ERROR_ACCESS_DENIED},
      {Source("*.inf"), ERROR_INVALID_NAME},
      {Source("e?pty.inf"), ERROR_INVALID_NAME},
      {"empty.inf", ERROR_FILE_NOT_FOUND},
      {Source("text.inf"), ERROR_EXPECTED_SECTION_NAME},
      {Source("empty.inf"), ERROR_FILE_INVALID},
      {Source("noversion.inf"), ERROR_WRONG_INF_STYLE},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.source);
    EXPECT_EQ(FailureCode(refused.source), refused.error);
    const Copy copy = CopyInf(refused.source);
    EXPECT_FALSE(copy.result);
#ifndef _WIN32
    // Wine's ANSI wrapper reports 122 here whenever a buffer is given.
    EXPECT_EQ(copy.error, refused.error);
#endif
  }
}

}  // namespace
