// Linked into the host builds of the tools only: a tool refuses to start unless
// STANDIN_MACHINE names its machine, before it reads its arguments, so that no
// run goes on without one (see standin::MachineDir).
#include "standin/machine.h"

namespace {

[[maybe_unused]] const bool kMachineNamed = !standin::MachineDir().empty();

}  // namespace
