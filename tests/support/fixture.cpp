#include "support/fixture.h"

namespace harness {

bool operator==(const ToolRun& run, const Outcome& expected) {
  return run.output == expected.output && run.status == expected.status;
}

std::ostream& operator<<(std::ostream& out, const ToolRun& run) {
  return out << "status " << run.status << ", output "
             << ::testing::PrintToString(run.output);
}

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "status " << outcome.status << ", output "
             << ::testing::PrintToString(outcome.output);
}

}  // namespace harness

harness::ToolRun ToolTest::Run(Tool tool, const std::vector<std::string>& args,
                               const harness::RunOptions& extra,
                               const char* file, int line) {
  return harness::RunTool(
      tool == kKestrum ? harness::KestrumPath() : harness::TollaverPath(), args,
      InWorkDir(extra), file, line);
}

harness::RunOptions ToolTest::InWorkDir(harness::RunOptions extra) const {
  if (extra.cwd.empty()) extra.cwd = work_dir();
  return extra;
}
