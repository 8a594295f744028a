// Tollaver: pre-installing one INF file of the current directory, against the
// real service.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/case_ledger.h"
#include "support/driver_inf.h"
#include "support/fixture.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

namespace fs = std::filesystem;
using harness::Ends;
using messages::kTollaverIllegal;
using messages::kTollaverNoFile;
using messages::kTollaverRefused;
using messages::kTollaverTooLong;

using Tollaver = ToolTest;

TEST_F(Tollaver, WrongArgumentCountIsIllegal) {
  EXPECT_EQ(Run(kTollaver, {}), Ends(kTollaverIllegal, -1));
  EXPECT_EQ(Run(kTollaver, {"a.inf", "b.inf"}), Ends(kTollaverIllegal, -1));
}

TEST_F(Tollaver, MissingFileIsReportedBeforeTheService) {
  EXPECT_EQ(Run(kTollaver, {"absent.inf"}), Ends(kTollaverNoFile, -1));
}

TEST_F(Tollaver, ValidInfIsPreInstalledSilently) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_DEVICE"});
  harness::WriteFile(work_dir() / "tollaver.inf", inf);
  ASSERT_TRUE(harness::PreInstalled(inf).empty());

  EXPECT_EQ(Run(kTollaver, {"tollaver.inf"}), Ends("", 0));
  const auto copies = harness::PreInstalled(inf);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(fs::exists(fs::path(copies[0]).replace_extension(".pnf")));
  EXPECT_TRUE(fs::exists(work_dir() / "tollaver.inf"));

  // The same file again reuses the copy.
  EXPECT_EQ(Run(kTollaver, {"tollaver.inf"}).status, 0);
  EXPECT_EQ(harness::PreInstalled(inf).size(), 1u);
}

TEST_F(Tollaver, PreInstalledInfServesAsCompatibleDriver) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_SERVED"});
  harness::WriteFile(work_dir() / "served.inf", inf);
  ASSERT_EQ(Run(kTollaver, {"served.inf"}).status, 0);
  const auto copies = harness::PreInstalled(inf);
  ASSERT_EQ(copies.size(), 1u);
  const harness::Driver copy = {
      copies[0].filename().string(),
      fs::path(copies[0]).replace_extension(".pnf").filename().string()};
  const std::string device = harness::CreateDevice({"ROOT\\TOLLAVER_SERVED"});

  EXPECT_EQ(
      Run(kKestrum, {"Y", "ROOT\\TOLLAVER_SERVED"}),
      Ends(messages::Found("ROOT\\TOLLAVER_SERVED") + messages::Deleted(copy),
           0));
  EXPECT_TRUE(copy.Gone());
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
    EXPECT_EQ(Run(kTollaver, {"refused.inf"}), Ends(kTollaverRefused, -1))
        << what;
  }
}

// The file test accepts wildcards; the service is given them as typed.
TEST_F(Tollaver, WildcardsPassTheFileTestButNotTheService) {
  harness::WriteFile(work_dir() / "wild.inf",
                     harness::DriverInf({"ROOT\\TOLLAVER_WILD"}));
  for (const char* pattern : {"*.inf", "wil?.inf"}) {
    EXPECT_EQ(Run(kTollaver, {pattern}), Ends(kTollaverRefused, -1)) << pattern;
  }
  EXPECT_EQ(Run(kTollaver, {"*.none"}).output, kTollaverNoFile);
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
    EXPECT_EQ(Run(kTollaver, {name}),
              fits ? Ends("", 0) : Ends(kTollaverTooLong, -1));
    EXPECT_EQ(harness::PreInstalled(inf).size(), fits ? 1u : 0u);
  }
  EXPECT_EQ(Run(kTollaver, {std::string(300, 't') + ".inf"}),
            Ends(kTollaverTooLong, -1));
}

// Windows drops the dots and spaces that end a name, for the file test and
// the service alike.
TEST_F(Tollaver, NameEndingInASpaceIsTheNameWithout) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_SPACE"});
  harness::WriteFile(work_dir() / "good.inf", inf);
  EXPECT_EQ(Run(kTollaver, {"good.inf "}), Ends("", 0));
  EXPECT_EQ(harness::PreInstalled(inf).size(), 1u);
  // Wine names the copy's PNF file after the name as given, space and all.
  harness::CaseLedger::Current().MadeFile(harness::InfFolder() /
                                          "good.inf .pnf");
}

}  // namespace
