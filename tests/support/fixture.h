// The base of every test that runs a tool: a fresh working directory for the
// tool, in the per-test Wine prefix (scripts/wine-run).
#ifndef TESTS_SUPPORT_FIXTURE_H_
#define TESTS_SUPPORT_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/harness.h"

class ToolTest : public ::testing::Test {
 protected:
  /// Runs a tool in the working directory.
  harness::ToolRun Run(const std::filesystem::path& tool,
                       const std::vector<std::string>& args,
                       const harness::RunOptions& extra = {},
                       const char* file = __builtin_FILE(),
                       int line = __builtin_LINE());

  /// Runs Kestrum or Tollaver, as shipped, in the working directory.
  harness::ToolRun RunKestrum(const std::vector<std::string>& args,
                              const char* file = __builtin_FILE(),
                              int line = __builtin_LINE()) {
    return Run(harness::KestrumPath(), args, {}, file, line);
  }
  harness::ToolRun RunTollaver(const std::vector<std::string>& args,
                               const char* file = __builtin_FILE(),
                               int line = __builtin_LINE()) {
    return Run(harness::TollaverPath(), args, {}, file, line);
  }

  /// The tool's current directory, fresh for each test.
  const std::filesystem::path& work_dir() const { return work_.path(); }

  /// C:\windows\inf, where the compatible-driver search looks.
  static std::filesystem::path InfDir() { return "C:\\windows\\inf"; }

 private:
  harness::TempDir work_;
};

#endif  // TESTS_SUPPORT_FIXTURE_H_
