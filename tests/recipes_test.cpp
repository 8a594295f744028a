// The batch recipes of sample/, run as a package's installer runs them: by
// cmd.exe in the sample folder of the release's layout (the tools one folder
// up), against the real service.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fixture.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

namespace fs = std::filesystem;
using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using messages::Found;

// The sample's devices, as removal.ini lists them, and one it does not list.
constexpr char kWidget[] = "ROOT\\DEMO_WIDGET";
constexpr char kGadget[] = "ROOT\\DEMO_GADGET";
constexpr char kUnlisted[] = "ROOT\\DEMO_UNLISTED";

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What printf writes to a file through text-mode standard output.
std::string TextMode(const std::string& text) {
  std::string written;
  for (char c : text) {
    if (c == '\n') written += '\r';
    written += c;
  }
  return written;
}

// cmd.exe of this Windows.
fs::path CommandInterpreter() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  return fs::path(system) / "cmd.exe";
}

class Recipes : public ToolTest {
 protected:
  // Lays the release out: the tools in the package folder, the sample's
  // files, recipes included, in its sample folder.
  void SetUp() override {
    ShareNames();
    ToolTest::SetUp();
    fs::create_directory(package_dir());
    fs::copy(harness::FromUnixPath(SAMPLE_DIR), sample_dir(),
             fs::copy_options::recursive);
    fs::copy_file(harness::KestrumPath(), package_dir() / "kestrum.exe");
    fs::copy_file(harness::TollaverPath(), package_dir() / "tollaver.exe");
    widget_inf_ = ReadFile(sample_dir() / "widget.inf");
    ASSERT_FALSE(widget_inf_.empty());
  }

  // The copies a recipe pre-installed go with the case.
  void TearDown() override {
    PreInstalledWidgetInfs();
    ToolTest::TearDown();
  }

  fs::path package_dir() const { return work_dir() / "driver-tools"; }
  fs::path sample_dir() const { return package_dir() / "sample"; }

  // Runs a recipe as `cmd.exe /c <recipe>` in the sample folder.
  harness::ToolRun RunRecipe(const std::string& recipe,
                             const char* file = __builtin_FILE(),
                             int line = __builtin_LINE()) {
    harness::RunOptions options;
    options.cwd = sample_dir();
    return harness::RunTool(CommandInterpreter(), {"/c", recipe}, options, file,
                            line);
  }

  // The files of C:\windows\inf that hold the sample INF's bytes.
  std::vector<fs::path> PreInstalledWidgetInfs() const {
    return harness::PreInstalled(widget_inf_);
  }

  std::string UninstallLog() const {
    return ReadFile(sample_dir() / "uninstall.log");
  }

  std::string widget_inf_;
};

constexpr char kInstalled[] = "install.bat: OK: widget.inf is pre-installed.\n";
constexpr char kUninstalled[] =
    "uninstall.bat: OK: kestrum F removal.ini succeeded; see uninstall.log.\n";

TEST_F(Recipes, InstallPreInstallsTheSampleInf) {
  ASSERT_TRUE(PreInstalledWidgetInfs().empty());

  EXPECT_EQ(RunRecipe("install.bat"), Ends(kInstalled, 0));
  const auto copies = PreInstalledWidgetInfs();
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(fs::exists(fs::path(copies[0]).replace_extension(".pnf")));
}

// Tollaver's -1 is below 1: the recipe must catch it all the same.
TEST_F(Recipes, InstallWithoutTheInfFailsOnTollaversMinusOne) {
  fs::remove(sample_dir() / "widget.inf");

  EXPECT_EQ(RunRecipe("install.bat"),
            Ends(std::string(messages::kTollaverNoFile) +
                     "install.bat: FAILED: tollaver widget.inf ended with "
                     "status -1.\n",
                 1));
  EXPECT_TRUE(PreInstalledWidgetInfs().empty());
}

// The package's whole life: pre-installed, then its devices removed with the
// driver files of the one whose entry asks for it.
TEST_F(Recipes, UninstallRemovesTheListedDevicesAndLogsKestrumsLines) {
  const std::string widget = CreateDevice({kWidget});
  const std::string gadget = CreateDevice({kGadget});
  const std::string unlisted = CreateDevice({kUnlisted});
  ASSERT_EQ(RunRecipe("install.bat").status, 0);
  const auto copies = PreInstalledWidgetInfs();
  ASSERT_EQ(copies.size(), 1u);

  EXPECT_EQ(RunRecipe("uninstall.bat"), Ends(kUninstalled, 0));
  const std::string listed =
      harness::InfFolderAsTheServiceSpellsIt() + copies[0].stem().string();
  EXPECT_EQ(UninstallLog(),
            TextMode(Found(kWidget) +
                     messages::Deleted(listed + ".inf", listed + ".pnf") +
                     Found(kGadget)));
  EXPECT_FALSE(DeviceExists(widget));
  EXPECT_FALSE(DeviceExists(gadget));
  EXPECT_TRUE(DeviceExists(unlisted));
  EXPECT_TRUE(PreInstalledWidgetInfs().empty());
}

// Without the pre-installed INF the widget has no driver to delete: Kestrum
// reports it, removes the device all the same and ends with 0.
TEST_F(Recipes, UninstallReportThatLeavesKestrumAtZeroIsNoFailure) {
  const std::string widget = CreateDevice({kWidget});
  const std::string gadget = CreateDevice({kGadget});

  EXPECT_EQ(RunRecipe("uninstall.bat"), Ends(kUninstalled, 0));
  EXPECT_EQ(UninstallLog(), TextMode(Found(kWidget) +
                                     messages::Failure(messages::kDriverFiles,
                                                       ERROR_NO_MORE_ITEMS) +
                                     Found(kGadget)));
  EXPECT_FALSE(DeviceExists(widget));
  EXPECT_FALSE(DeviceExists(gadget));
}

TEST_F(Recipes, UninstallWithoutTheListFails) {
  const std::string widget = CreateDevice({kWidget});
  fs::remove(sample_dir() / "removal.ini");

  EXPECT_EQ(
      RunRecipe("uninstall.bat"),
      Ends("uninstall.bat: FAILED: Kestrum ended with 1; see uninstall.log.\n",
           1));
  EXPECT_EQ(UninstallLog(), messages::kKestrumListUnreadable);
  EXPECT_TRUE(DeviceExists(widget));
}

// Each recipe finds its tool one folder up or, failing that, beside it.
TEST_F(Recipes, EachFindsItsToolBesideItOrFailsWithoutOne) {
  const struct {
    const char* recipe;
    const char* tool;
    const char* succeeded;
  } recipes[] = {{"install.bat", "tollaver.exe", kInstalled},
                 {"uninstall.bat", "kestrum.exe", kUninstalled}};
  for (const auto& r : recipes) {
    SCOPED_TRACE(r.recipe);
    fs::rename(package_dir() / r.tool, sample_dir() / r.tool);
    EXPECT_EQ(RunRecipe(r.recipe), Ends(r.succeeded, 0));

    fs::remove(sample_dir() / r.tool);
    EXPECT_EQ(RunRecipe(r.recipe),
              Ends(std::string(r.recipe) + ": FAILED: " + r.tool +
                       " is neither one folder up nor here.\n",
                   1));
  }
}

}  // namespace
