// The batch recipes of sample/, run as a package's installer runs them: by
// cmd.exe, in the release's layout (the tools one folder up from the sample)
// under a folder whose names hold spaces, against the real service. Kestrum's
// recipe also has a branch for Windows 98 and ME's command.com, which runs
// here under cmd.exe with OS cleared, as command.com has it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
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

constexpr char kInstalled[] = "install.bat: OK: widget.inf is pre-installed.\n";
constexpr char kUninstalled[] =
    "uninstall.bat: OK: kestrum F removal.ini succeeded; see uninstall.log.\n";
constexpr char kKestrumFailed[] =
    "uninstall.bat: FAILED: Kestrum ended with 1; see uninstall.log.\n";

// Each recipe, the tool it runs, its line when all went well, and the batch
// file an installer or uninstaller of its own would CALL it from.
struct Recipe {
  const char* name;
  const char* tool;
  const char* succeeded;
  const char* caller;
};
constexpr Recipe kRecipes[] = {
    {"install.bat", "tollaver.exe", kInstalled, "installer.bat"},
    {"uninstall.bat", "kestrum.exe", kUninstalled, "uninstaller.bat"}};

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
  // Lays the release out under "Program Files": the tools in the package
  // folder, named after the case, and the sample's files, recipes included,
  // in its sample folder.
  void SetUp() override {
    ShareNames();
    ToolTest::SetUp();
    const std::string name =
        ::testing::UnitTest::GetInstance()->current_test_info()->name();
    package_dir_ = work_dir() / "Program Files" / (name + " package");
    fs::create_directories(package_dir_);
    fs::copy(harness::FromUnixPath(SAMPLE_DIR), sample_dir(),
             fs::copy_options::recursive);
    fs::copy_file(harness::KestrumPath(), package_dir_ / "kestrum.exe");
    fs::copy_file(harness::TollaverPath(), package_dir_ / "tollaver.exe");
    widget_inf_ = harness::ReadWholeFile(sample_dir() / "widget.inf");
    ASSERT_FALSE(widget_inf_.empty());
  }

  // The copies the recipes pre-installed go with the case, as what it made.
  void TearDown() override {
    PreInstalledWidgetInfs();
    ToolTest::TearDown();
  }

  fs::path package_dir() const { return package_dir_; }
  fs::path sample_dir() const { return package_dir_ / "sample"; }
  fs::path recipe_path(const std::string& recipe) const {
    return sample_dir() / recipe;
  }

  // `cmd.exe /c <command>` started in `folder`, with `environment` added.
  harness::ToolRun Cmd(const std::string& command, const fs::path& folder,
                       const std::vector<std::string>& environment = {},
                       const char* file = __builtin_FILE(),
                       int line = __builtin_LINE()) {
    harness::RunOptions options;
    options.cwd = folder;
    options.environment = environment;
    return harness::RunTool(CommandInterpreter(), {"/c", command}, options,
                            file, line);
  }

  // A recipe started in its own folder.
  harness::ToolRun RunRecipe(const std::string& recipe,
                             const char* file = __builtin_FILE(),
                             int line = __builtin_LINE()) {
    return Cmd(recipe, sample_dir(), {}, file, line);
  }

  // Kestrum's recipe as command.com runs it: OS is empty there, so the
  // recipe takes its command.com branch. Started in the sample folder, the
  // only place that branch can work from.
  harness::ToolRun RunUnderCommandCom(const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE()) {
    return Cmd("uninstall.bat", sample_dir(), {"OS="}, file, line);
  }

  // The files of C:\windows\inf that hold the sample INF's bytes.
  std::vector<fs::path> PreInstalledWidgetInfs() const {
    return harness::PreInstalled(widget_inf_);
  }

  std::string UninstallLog() const {
    return harness::ReadWholeFile(sample_dir() / "uninstall.log");
  }

  // Kestrum's log of removal.ini's devices, the widget's pre-installed INF
  // copy deleted with it.
  static std::string LogWithDriverDeleted(const fs::path& copy) {
    const std::string listed =
        harness::InfFolderAsTheServiceSpellsIt() + copy.stem().string();
    return TextMode(Found(kWidget) +
                    messages::Deleted(listed + ".inf", listed + ".pnf") +
                    Found(kGadget));
  }

 private:
  std::string widget_inf_;
  fs::path package_dir_;
};

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
  EXPECT_EQ(UninstallLog(), LogWithDriverDeleted(copies[0]));
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

  EXPECT_EQ(RunRecipe("uninstall.bat"), Ends(kKestrumFailed, 1));
  EXPECT_EQ(UninstallLog(), messages::kKestrumListUnreadable);
  EXPECT_TRUE(DeviceExists(widget));
}

// Each recipe finds its tool one folder up or, failing that, beside it.
TEST_F(Recipes, EachFindsItsToolBesideItOrFailsWithoutOne) {
  for (const Recipe& r : kRecipes) {
    SCOPED_TRACE(r.name);
    fs::rename(package_dir() / r.tool, sample_dir() / r.tool);
    EXPECT_EQ(RunRecipe(r.name), Ends(r.succeeded, 0));

    fs::remove(sample_dir() / r.tool);
    EXPECT_EQ(RunRecipe(r.name),
              Ends(std::string(r.name) + ": FAILED: " + r.tool +
                       " is neither one folder up nor beside " + r.name + ".\n",
                   1));
  }
}

// An installer need not start a recipe in its own folder.
using RecipesFromElsewhere = Recipes;

// Started by full path, each runs its tool on the files of its own folder
// and leaves nothing in the folder it was started in.
TEST_F(RecipesFromElsewhere, StartedByFullPathFromAnotherFolder) {
  const fs::path elsewhere = work_dir() / "elsewhere";
  fs::create_directory(elsewhere);
  const std::string widget = CreateDevice({kWidget});
  const std::string gadget = CreateDevice({kGadget});

  EXPECT_EQ(Cmd(harness::WindowsPath(recipe_path("install.bat")), elsewhere),
            Ends(kInstalled, 0));
  const auto copies = PreInstalledWidgetInfs();
  ASSERT_EQ(copies.size(), 1u);

  EXPECT_EQ(Cmd(harness::WindowsPath(recipe_path("uninstall.bat")), elsewhere),
            Ends(kUninstalled, 0));
  EXPECT_EQ(UninstallLog(), LogWithDriverDeleted(copies[0]));
  EXPECT_FALSE(DeviceExists(widget));
  EXPECT_FALSE(DeviceExists(gadget));
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

// CALLed by an installer's and an uninstaller's own batch file in a folder
// with spaces, each hands back its status and the caller's current folder as
// it was.
TEST_F(RecipesFromElsewhere, CalledFromAFolderWithSpaces) {
  const fs::path caller = work_dir() / "Caller With Spaces";
  fs::create_directory(caller);
  const std::string widget = CreateDevice({kWidget});
  for (const Recipe& r : kRecipes) {
    harness::WriteFile(caller / r.caller,
                       "@ECHO OFF\r\nCALL \"" +
                           harness::WindowsPath(recipe_path(r.name)) +
                           "\"\r\nSET STATUS=%ERRORLEVEL%\r\nCD\r\n"
                           "EXIT /B %STATUS%\r\n");
  }
  const std::string folder_line = harness::WindowsPath(caller) + "\n";

  for (const Recipe& r : kRecipes) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(Cmd(r.caller, caller), Ends(r.succeeded + folder_line, 0));
  }
  EXPECT_FALSE(DeviceExists(widget));
  EXPECT_TRUE(PreInstalledWidgetInfs().empty());

  fs::remove(sample_dir() / "removal.ini");
  EXPECT_EQ(Cmd("uninstaller.bat", caller),
            Ends(kKestrumFailed + folder_line, 1));
}

// Kestrum's recipe on its own Windows: the branch written for command.com.
using RecipesUnderCommandCom = Recipes;

// Under Wine, START /W leaves the redirected log empty, where cmd.exe's
// branch fills it: the empty log shows that this branch, and its START /W,
// ran.
TEST_F(RecipesUnderCommandCom, UninstallRemovesTheListedDevices) {
  const std::string widget = CreateDevice({kWidget});
  const std::string gadget = CreateDevice({kGadget});
  const std::string unlisted = CreateDevice({kUnlisted});

  EXPECT_EQ(RunUnderCommandCom(), Ends(kUninstalled, 0));
  EXPECT_EQ(UninstallLog(), "");
  EXPECT_FALSE(DeviceExists(widget));
  EXPECT_FALSE(DeviceExists(gadget));
  EXPECT_TRUE(DeviceExists(unlisted));
}

// Kestrum's 1 is left in ERRORLEVEL, which is all the status command.com
// gives a batch file.
TEST_F(RecipesUnderCommandCom, UninstallWithoutTheListFails) {
  const std::string widget = CreateDevice({kWidget});
  fs::remove(sample_dir() / "removal.ini");

  EXPECT_EQ(RunUnderCommandCom(), Ends(kKestrumFailed, 1));
  EXPECT_TRUE(DeviceExists(widget));
}

TEST_F(RecipesUnderCommandCom, UninstallFindsKestrumBesideItOrSaysWhereToRun) {
  const std::string widget = CreateDevice({kWidget});
  fs::rename(package_dir() / "kestrum.exe", sample_dir() / "kestrum.exe");
  EXPECT_EQ(RunUnderCommandCom(), Ends(kUninstalled, 0));
  EXPECT_FALSE(DeviceExists(widget));

  // No program ran to leave a status, and command.com has no other: only the
  // line tells.
  fs::remove(sample_dir() / "kestrum.exe");
  EXPECT_EQ(RunUnderCommandCom().output,
            "uninstall.bat: FAILED: kestrum.exe is neither one folder up nor "
            "here; run uninstall.bat in its own folder.\n");
}

}  // namespace
