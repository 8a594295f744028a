// The machine a test works on.
#ifndef TESTS_SUPPORT_MACHINE_H_
#define TESTS_SUPPORT_MACHINE_H_

#include <memory>

#include "support/harness.h"

namespace harness {

/// A fresh machine for one test; nullptr where the test already runs in its
/// own (Wine prefix).
std::unique_ptr<TempDir> FreshMachine();

}  // namespace harness

#endif  // TESTS_SUPPORT_MACHINE_H_
