#include "support/fixture.h"

#include "support/machine.h"

void ToolTest::SetUp() {
  machine_ = harness::FreshMachine();
  work_ = std::make_unique<harness::TempDir>();
}

void ToolTest::TearDown() {
  work_.reset();
  machine_.reset();
}

harness::ToolRun ToolTest::Run(const std::filesystem::path& tool,
                               const std::vector<std::string>& args,
                               const harness::RunOptions& extra,
                               const char* file, int line) {
  harness::RunOptions options = extra;
  if (options.cwd.empty()) options.cwd = work_dir();
  return harness::RunTool(tool, args, options, file, line);
}

std::filesystem::path ToolTest::InfDir() const {
  return harness::HostPath("C:\\windows\\inf");
}
