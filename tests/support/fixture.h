// The base of every test that runs a tool: a fresh working directory for the
// tool, on the machine (a Wine prefix, scripts/wine-run) that all cases of
// the test program share, and what a case expects a run to end with. What a
// case makes through the helpers goes when it ends, and the device list and
// the INF folder must then be exactly as before it.
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
  enum Tool { kKestrum, kTollaver };

  void SetUp() override;
  void TearDown() override;

  /// For cases that act on the sample package's own devices and drivers,
  /// whose names every such case shares: called first in their SetUp.
  void ShareNames() { shared_names_ = true; }

  /// Runs a tool, as shipped, in the working directory unless `extra` names
  /// another.
  harness::ToolRun Run(Tool tool, const std::vector<std::string>& args,
                       const harness::RunOptions& extra = {},
                       const char* file = __builtin_FILE(),
                       int line = __builtin_LINE());

  /// `extra`, in the working directory unless it names another.
  harness::RunOptions InWorkDir(harness::RunOptions extra) const;

  /// The tool's current directory, fresh for each test.
  const std::filesystem::path& work_dir() const { return work_.path(); }

 private:
  harness::TempDir work_;
  bool shared_names_ = false;
};

#endif  // TESTS_SUPPORT_FIXTURE_H_
