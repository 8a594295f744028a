// The suite changes the machine it runs on: it registers and removes devices,
// writes INF files into the system's INF folder and pre-installs drivers into
// its driver store. Under Wine that machine is a throwaway prefix; anywhere
// else it runs only when told to.
#ifndef TESTS_SUPPORT_MACHINE_GUARD_H_
#define TESTS_SUPPORT_MACHINE_GUARD_H_

#include <string>
#include <string_view>

namespace harness {

/// Set to 1, lets the suite change a machine that is not Wine's.
inline constexpr char kMayChangeMachineVariable[] =
    "TOOLS_TESTS_MAY_CHANGE_THIS_MACHINE";
/// Set to 1, makes a program under Wine decide as on Windows: for the
/// guard's own test.
inline constexpr char kAsOnWindowsVariable[] = "TOOLS_TESTS_AS_ON_WINDOWS";

/// The exit status of a program that refused to run.
inline constexpr int kRefusedStatus = 3;

/// The one line a program prints instead of running.
std::string RefusalLine(std::string_view program);

/// For a program's main: whether it may go on here (always under Wine,
/// elsewhere only when kMayChangeMachineVariable is exactly "1"); prints its
/// refusal line when it may not.
bool MayChangeThisMachine(const char* program);

}  // namespace harness

#endif  // TESTS_SUPPORT_MACHINE_GUARD_H_
