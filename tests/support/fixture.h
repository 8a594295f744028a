// The base of every test that runs a tool: a fresh working directory for the
// tool, in the per-test Wine prefix (scripts/wine-run), and what a case
// expects a run to end with.
#ifndef TESTS_SUPPORT_FIXTURE_H_
#define TESTS_SUPPORT_FIXTURE_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/harness.h"

namespace harness {

/// The output and exit status a case expects a run to end with; compares
/// equal to a ToolRun that printed and returned exactly these.
struct Outcome {
  std::string output;
  int status;
};

inline Outcome Ends(std::string output, int status) {
  return {std::move(output), status};
}

bool operator==(const ToolRun& run, const Outcome& expected);
std::ostream& operator<<(std::ostream& out, const ToolRun& run);
std::ostream& operator<<(std::ostream& out, const Outcome& outcome);

}  // namespace harness

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

 private:
  harness::TempDir work_;
};

#endif  // TESTS_SUPPORT_FIXTURE_H_
