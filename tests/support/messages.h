// The tools' messages, kept once for every test file, and the lines a case
// expects from them. The system's own texts, which Windows and Wine word
// differently, are asked of the system as the tools ask.
#ifndef TESTS_SUPPORT_MESSAGES_H_
#define TESTS_SUPPORT_MESSAGES_H_

#include <string>

#include "support/machine.h"

namespace messages {

// Kestrum's command line and removal list.
inline constexpr char kKestrumShortUsage[] =
    "usage: kestrum <Y|N> <Hardware_ID>\n";
inline constexpr char kKestrumLongUsage[] =
    "usage: remove <Y|N|F> <Hardware_ID|INI file>\n";
inline constexpr char kKestrumNoPathname[] = "Failure getting pathname.";
inline constexpr char kKestrumPathTooLong[] = "Path is too long.";
inline constexpr char kKestrumListUnreadable[] =
    "Fail to retrive key values from INI file.";
inline constexpr char kKestrumOutOfMemory[] = "Out of memory.\n";

// The steps Kestrum names in a failure report.
inline constexpr char kGetClassDevs[] = "GetClassDevs(All Devices)";
inline constexpr char kGetProperty[] = "GetDeviceRegistryProperty";
inline constexpr char kLocalAlloc[] = "LocalAlloc";
inline constexpr char kEnumDevice[] = "EnumDeviceInfo";
inline constexpr char kRemove[] = "CallClassInstaller(REMOVE)";
inline constexpr char kDriverFiles[] =
    "FAIL TO REMOVE SPECIFIED INF & PNF files!";
inline constexpr char kEnumDriver[] = "SetupDiEnumDriverInfo";

// Tollaver's.
inline constexpr char kTollaverIllegal[] = "Illeagal parameter!!!\n";
inline constexpr char kTollaverNoPathname[] = "Failure getting pathname!!!\n";
inline constexpr char kTollaverTooLong[] = "Pathname is too long!!!\n";
inline constexpr char kTollaverNoFile[] = "Error opening search handle!!!\n";
inline constexpr char kTollaverRefused[] =
    "Failure in SetupCopyOEMInf function!!!\n";

/// Kestrum's line for a device that reports a wanted ID.
std::string Found(const std::string& id);

/// Kestrum's two lines for a driver whose files it deleted.
std::string Deleted(const std::string& inf_path, const std::string& pnf_path);
/// The same for a driver in the INF folder, as the service spells its path.
std::string Deleted(const harness::Driver& driver);

/// Kestrum's report of a failed step: the system's text for the code, as
/// FormatMessageA gives it here, or the code when the system has none.
std::string Failure(const std::string& step, unsigned long code);

}  // namespace messages

#endif  // TESTS_SUPPORT_MESSAGES_H_
