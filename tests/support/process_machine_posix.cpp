// Stand-in only, linked into every test program: the stand-in has no default
// machine, so a program whose tests reach it without a fixture's machine (INI
// reading, file calls, the trace) gets one of its own for its run, removed at
// the end, rather than a shared one.
#include <gtest/gtest.h>
#include <standin/testing.h>

#include <memory>
#include <optional>

#include "support/harness.h"
#include "support/scoped_env.h"

namespace {

class ProcessMachine : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<harness::TempDir>();
    machine_.emplace(standin::testing::kMachineVariable, dir_->path().string());
  }
  void TearDown() override {
    machine_.reset();
    dir_.reset();
  }

 private:
  std::unique_ptr<harness::TempDir> dir_;
  std::optional<harness::ScopedEnv> machine_;
};

[[maybe_unused]] ::testing::Environment* const kProcessMachine =
    ::testing::AddGlobalTestEnvironment(new ProcessMachine);

}  // namespace
