// What a case may not change on the machine it shares with the other cases of
// its program: the devices, and the files of the INF folder.
#ifndef TESTS_SUPPORT_MACHINE_STATE_H_
#define TESTS_SUPPORT_MACHINE_STATE_H_

#include <set>
#include <string>

namespace harness {

/// Every device the machine knows of with its hardware IDs, and every file of
/// the INF folder with its size and time, each as one line.
struct MachineState {
  std::set<std::string> devices;
  std::set<std::string> inf_files;
};

MachineState ReadMachineState();

/// What `after` holds that `before` lacks ("left: ...") and the reverse
/// ("taken: ..."), one a line; "" when the two are the same.
std::string Changes(const MachineState& before, const MachineState& after);

/// The state once a new machine's services have stopped adding Wine's own
/// devices: the same in two readings a moment apart.
MachineState SettledMachineState();

}  // namespace harness

#endif  // TESTS_SUPPORT_MACHINE_STATE_H_
