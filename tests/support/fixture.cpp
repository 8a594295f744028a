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

harness::ToolRun ToolTest::Run(const std::filesystem::path& tool,
                               const std::vector<std::string>& args,
                               const harness::RunOptions& extra,
                               const char* file, int line) {
  harness::RunOptions options = extra;
  if (options.cwd.empty()) options.cwd = work_dir();
  return harness::RunTool(tool, args, options, file, line);
}
