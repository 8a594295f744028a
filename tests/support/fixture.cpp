#include "support/fixture.h"

#include <optional>

#include "support/case_ledger.h"
#include "support/machine_state.h"

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

namespace {

/// The machine as the last case left it: what the next one must leave.
std::optional<harness::MachineState>& Expected() {
  static std::optional<harness::MachineState> state;
  return state;
}

}  // namespace

void ToolTest::SetUp() {
  if (!Expected()) Expected() = harness::SettledMachineState();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  harness::CaseLedger::Current().Begin(
      std::string(info->test_suite_name()) + "." + info->name(),
      shared_names_);
}

void ToolTest::TearDown() {
  harness::CaseLedger::Current().Undo();
  harness::MachineState now = harness::ReadMachineState();
  const std::string changes = harness::Changes(*Expected(), now);
  EXPECT_TRUE(changes.empty())
      << "the case, or a tool it ran, changed the machine for good:\n"
      << changes;
  // Each change is told once, by the case that made it.
  Expected() = std::move(now);
}

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
