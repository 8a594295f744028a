#include "support/fixture.h"

harness::ToolRun ToolTest::Run(const std::filesystem::path& tool,
                               const std::vector<std::string>& args,
                               const harness::RunOptions& extra,
                               const char* file, int line) {
  harness::RunOptions options = extra;
  if (options.cwd.empty()) options.cwd = work_dir();
  return harness::RunTool(tool, args, options, file, line);
}
