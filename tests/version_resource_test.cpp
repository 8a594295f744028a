// The version resources of the tools, read as Windows reads them. Both carry
// the version in VERSION (TOOLS_VERSION*, from the build).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace {

// Reads the version resource of `exe` and checks every version field and the
// description in its first translation.
void ExpectVersionResource(const std::filesystem::path& exe,
                           const std::string& description) {
  const std::string path = exe.string();
  DWORD ignored = 0;
  std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), &ignored));
  ASSERT_FALSE(data.empty()) << path << ": no version resource";
  ASSERT_TRUE(GetFileVersionInfoA(
      path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  const auto query = [&](const std::string& name) -> void* {
    void* value = nullptr;
    UINT length = 0;
    return VerQueryValueA(data.data(), name.c_str(), &value, &length) ? value
                                                                      : nullptr;
  };
  const auto* translation =
      static_cast<const WORD*>(query("\\VarFileInfo\\Translation"));
  ASSERT_NE(translation, nullptr);
  char block[64];
  snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation[0],
           translation[1]);
  const auto text = [&](const char* name) {
    const char* value =
        static_cast<const char*>(query(block + std::string(name)));
    return std::string(value != nullptr ? value : "(none)");
  };
  EXPECT_EQ(text("FileDescription"), description);
  EXPECT_EQ(text("FileVersion"), TOOLS_VERSION);
  EXPECT_EQ(text("ProductVersion"), TOOLS_VERSION);

  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\"));
  ASSERT_NE(fixed, nullptr);
  constexpr DWORD kHigh = MAKELONG(TOOLS_VERSION_MINOR, TOOLS_VERSION_MAJOR);
  constexpr DWORD kLow = MAKELONG(TOOLS_VERSION_TWEAK, TOOLS_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, kHigh);
  EXPECT_EQ(fixed->dwFileVersionLS, kLow);
  EXPECT_EQ(fixed->dwProductVersionMS, kHigh);
  EXPECT_EQ(fixed->dwProductVersionLS, kLow);
}

TEST(VersionResource, Kestrum) {
  ExpectVersionResource(
      harness::KestrumPath(),
      "Program for removing device under Windows 98//98SE/ME");
}

TEST(VersionResource, Tollaver) {
  ExpectVersionResource(harness::TollaverPath(),
                        "Tollaver Program for Windows 2000/XP Drivers");
}

}  // namespace
