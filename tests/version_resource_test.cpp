// The version resources of the shipped executables, read as Windows reads
// them. Both carry the version in VERSION (TOOLS_VERSION*, from the build).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace {

struct VersionInfo {
  std::string description;
  std::string file_version_text;
  std::string product_version_text;
  DWORD version_high = 0;
  DWORD version_low = 0;
  DWORD product_high = 0;
  DWORD product_low = 0;
};

VersionInfo ReadVersionInfo(const std::filesystem::path& exe) {
  const std::string path = exe.string();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  EXPECT_NE(size, 0u) << path << ": no version resource";
  std::vector<char> data(size);
  VersionInfo info;
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
    ADD_FAILURE() << "GetFileVersionInfoA " << path;
    return info;
  }
  struct Translation {
    WORD language;
    WORD code_page;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation) {
    ADD_FAILURE() << "no translation in " << path;
    return info;
  }
  char block[64];
  snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\",
           translation->language, translation->code_page);
  const auto text = [&](const char* name) {
    char* value = nullptr;
    UINT chars = 0;
    const std::string query = std::string(block) + name;
    return VerQueryValueA(data.data(), query.c_str(),
                          reinterpret_cast<void**>(&value), &chars) &&
                   value != nullptr
               ? std::string(value)
               : std::string();
  };
  info.description = text("FileDescription");
  info.file_version_text = text("FileVersion");
  info.product_version_text = text("ProductVersion");
  VS_FIXEDFILEINFO* fixed = nullptr;
  if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed),
                     &length) &&
      fixed != nullptr) {
    info.version_high = fixed->dwFileVersionMS;
    info.version_low = fixed->dwFileVersionLS;
    info.product_high = fixed->dwProductVersionMS;
    info.product_low = fixed->dwProductVersionLS;
  }
  return info;
}

// Every version field holds the version in VERSION.
void ExpectVersionFromVersionFile(const VersionInfo& info) {
  constexpr DWORD kHigh = MAKELONG(TOOLS_VERSION_MINOR, TOOLS_VERSION_MAJOR);
  constexpr DWORD kLow = MAKELONG(TOOLS_VERSION_TWEAK, TOOLS_VERSION_PATCH);
  EXPECT_EQ(info.file_version_text, TOOLS_VERSION);
  EXPECT_EQ(info.product_version_text, TOOLS_VERSION);
  EXPECT_EQ(info.version_high, kHigh);
  EXPECT_EQ(info.version_low, kLow);
  EXPECT_EQ(info.product_high, kHigh);
  EXPECT_EQ(info.product_low, kLow);
}

TEST(VersionResource, Kestrum) {
  const VersionInfo info = ReadVersionInfo(harness::KestrumPath());
  EXPECT_EQ(info.description,
            "Program for removing device under Windows 98//98SE/ME");
  ExpectVersionFromVersionFile(info);
}

TEST(VersionResource, Tollaver) {
  const VersionInfo info = ReadVersionInfo(harness::TollaverPath());
  EXPECT_EQ(info.description, "Tollaver Program for Windows 2000/XP Drivers");
  ExpectVersionFromVersionFile(info);
}

}  // namespace
