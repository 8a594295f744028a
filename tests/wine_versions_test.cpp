// Under Wine each tool is shown the Windows it is built for, by file name (the
// template prefix's AppDefaults): a program that prints its version, copied
// under the tools' names, says so, and under its own name keeps Wine's default.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

fs::path ShowVersion() { return harness::FromUnixPath(SHOW_VERSION_EXE); }

// What the program at `exe` is shown, as it prints it.
std::string VersionShownTo(const fs::path& exe) {
  const harness::ToolRun run = harness::RunTool(exe, {});
  EXPECT_EQ(run.status, 0) << exe;
  return run.output;
}

// The version shown to this very test program: Wine's default.
std::string OwnVersion() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  EXPECT_TRUE(GetVersionExA(&info));
  char text[64];
  std::snprintf(text, sizeof text, "%lu.%lu platform %lu\n",
                info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId);
  return text;
}

class WineVersions : public ::testing::Test {
 protected:
  // The probe under another file name, in a folder of this test.
  fs::path CopyAs(const char* name) {
    const fs::path copy = dir_.path() / name;
    fs::copy_file(ShowVersion(), copy);
    return copy;
  }

 private:
  harness::TempDir dir_;
};

TEST_F(WineVersions, KestrumIsShownWindows98) {
  EXPECT_EQ(VersionShownTo(CopyAs("kestrum.exe")), "4.10 platform 1\n");
}

TEST_F(WineVersions, TollaverIsShownWindows2000) {
  EXPECT_EQ(VersionShownTo(CopyAs("tollaver.exe")), "5.0 platform 2\n");
}

TEST_F(WineVersions, OtherProgramsKeepWinesDefault) {
  const std::string shown = VersionShownTo(ShowVersion());
  EXPECT_EQ(shown, OwnVersion());
  EXPECT_NE(shown, "4.10 platform 1\n");
  EXPECT_NE(shown, "5.0 platform 2\n");
}

}  // namespace
