// Tollaver: pre-installing one INF file of the current directory, against the
// real service.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr char kIllegal[] = "Illeagal parameter!!!\n";
constexpr char kNoFile[] = "Error opening search handle!!!\n";
constexpr char kRefused[] = "Failure in SetupCopyOEMInf function!!!\n";
constexpr char kTooLong[] = "Pathname is too long!!!\n";

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Tollaver : public ToolTest {
 protected:
  // The files of C:\windows\inf holding exactly these bytes.
  std::vector<fs::path> CopiesOf(const std::string& bytes) const {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(InfDir())) {
      if (entry.is_regular_file() && ReadFile(entry.path()) == bytes) {
        copies.push_back(entry.path());
      }
    }
    return copies;
  }
};

TEST_F(Tollaver, WrongArgumentCountIsIllegal) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{}, {"a.inf", "b.inf"}}) {
    const auto run = RunTollaver(args);
    EXPECT_EQ(run.output, kIllegal);
    EXPECT_EQ(run.status, -1);
  }
}

TEST_F(Tollaver, MissingFileIsReportedBeforeTheService) {
  const auto run = RunTollaver({"absent.inf"});
  EXPECT_EQ(run.output, kNoFile);
  EXPECT_EQ(run.status, -1);
}

TEST_F(Tollaver, ValidInfIsPreInstalledSilently) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_DEVICE"});
  harness::WriteFile(work_dir() / "tollaver.inf", inf);
  ASSERT_TRUE(CopiesOf(inf).empty());

  const auto run = RunTollaver({"tollaver.inf"});

  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.status, 0);
  const auto copies = CopiesOf(inf);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(fs::exists(fs::path(copies[0]).replace_extension(".pnf")));
  EXPECT_TRUE(fs::exists(work_dir() / "tollaver.inf"));

  // The same file again reuses the copy.
  EXPECT_EQ(RunTollaver({"tollaver.inf"}).status, 0);
  EXPECT_EQ(CopiesOf(inf).size(), 1u);
}

TEST_F(Tollaver, PreInstalledInfServesAsCompatibleDriver) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_SERVED"});
  harness::WriteFile(work_dir() / "served.inf", inf);
  ASSERT_EQ(RunTollaver({"served.inf"}).status, 0);
  const auto copies = CopiesOf(inf);
  ASSERT_EQ(copies.size(), 1u);
  const std::string device = harness::CreateDevice({"ROOT\\TOLLAVER_SERVED"});

  const auto run = RunKestrum({"Y", "ROOT\\TOLLAVER_SERVED"});

  const std::string copy = copies[0].filename().string();
  const std::string stem = copies[0].stem().string();
  EXPECT_EQ(run.output,
            "Found! [ROOT\\TOLLAVER_SERVED]\n"
            "Deleted INF file: C:/windows/inf\\" +
                copy +
                "\n"
                "Deleted PNF file: C:/windows/inf\\" +
                stem + ".pnf\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(fs::exists(copies[0]));
  EXPECT_FALSE(harness::DeviceExists(device));
}

TEST_F(Tollaver, InfTheServiceRefusesIsReported) {
  const std::vector<std::pair<const char*, std::string>> refused = {
      {"empty", ""},
      {"not an INF", "this is not an INF file\r\n"},
      {"no Version section", "[Manufacturer]\r\nX=Y\r\n"},
  };
  for (const auto& [what, text] : refused) {
    harness::WriteFile(work_dir() / "refused.inf", text);
    const auto run = RunTollaver({"refused.inf"});
    EXPECT_EQ(run.output, kRefused) << what;
    EXPECT_EQ(run.status, -1) << what;
  }
}

// The file test accepts wildcards; the service is given them as typed.
TEST_F(Tollaver, WildcardsPassTheFileTestButNotTheService) {
  harness::WriteFile(work_dir() / "wild.inf",
                     harness::DriverInf({"ROOT\\TOLLAVER_WILD"}));
  for (const char* pattern : {"*.inf", "wil?.inf"}) {
    const auto run = RunTollaver({pattern});
    EXPECT_EQ(run.output, kRefused) << pattern;
    EXPECT_EQ(run.status, -1) << pattern;
  }
  EXPECT_EQ(RunTollaver({"*.none"}).output, kNoFile);
}

// The joined path must fit 260 characters with its NUL.
TEST_F(Tollaver, JoinedPathAtTheBounds) {
  const std::string folder = harness::WindowsPath(work_dir()) + "\\";
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_EDGE"});
  for (const std::size_t length : {MAX_PATH, MAX_PATH - 1}) {
    SCOPED_TRACE(length);
    const std::string name(length - folder.size(), 't');
    const bool fits = length < MAX_PATH;
    if (fits) harness::WriteFile(work_dir() / name, inf);
    const auto run = RunTollaver({name});
    EXPECT_EQ(run.output, fits ? "" : kTooLong);
    EXPECT_EQ(run.status, fits ? 0 : -1);
    EXPECT_EQ(CopiesOf(inf).size(), fits ? 1u : 0u);
  }
  const auto run = RunTollaver({std::string(300, 't') + ".inf"});
  EXPECT_EQ(run.output, kTooLong);
  EXPECT_EQ(run.status, -1);
}

// Windows drops the dots and spaces that end a name, for the file test and
// the service alike.
TEST_F(Tollaver, NameEndingInASpaceIsTheNameWithout) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_SPACE"});
  harness::WriteFile(work_dir() / "good.inf", inf);
  const auto run = RunTollaver({"good.inf "});
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(CopiesOf(inf).size(), 1u);
}

}  // namespace
