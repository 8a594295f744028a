// Running the tools as separate processes against the real service (Wine's,
// in the tests), and the files of the machine they run on.
#ifndef TESTS_SUPPORT_HARNESS_H_
#define TESTS_SUPPORT_HARNESS_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/process_start.h"

namespace harness {

/// What a finished tool process gave back.
struct ToolRun {
  /// Exit status as a signed byte, as the tools mean it: -1 stays -1.
  int status = 0;
  /// Standard output, with every "\r\n" folded to "\n", undoing the text
  /// mode of the tool's standard output.
  std::string output;
  /// How many times Wine fumbled the start and it was started again.
  int restarts = 0;
};

struct RunOptions {
  /// The tool's current directory; empty: the test's working directory.
  std::filesystem::path cwd;
  /// "NAME=value" entries added to the tool's environment.
  std::vector<std::string> environment;
};

/// How long a tool may run before it counts as hung: every run of the suite
/// ends in well under a second, but for a slow first start under Wine.
inline constexpr int kToolDeadlineSeconds = 60;

/// Starts `tool` with `args`, waits for it and returns what it gave back. A
/// start that Wine fumbled is started again (StartProcess); a process that
/// cannot be started, that crashes, or that is still running at the deadline
/// (it is then ended), fails the calling test at its own line and is never
/// run again.
ToolRun RunTool(const std::filesystem::path& tool,
                const std::vector<std::string>& args,
                const RunOptions& options = {},
                const char* file = __builtin_FILE(),
                int line = __builtin_LINE());

/// The tools as shipped.
std::filesystem::path KestrumPath();
std::filesystem::path TollaverPath();

/// The tools' test builds, which reach the service through the door.
std::filesystem::path KestrumDoorPath();
std::filesystem::path TollaverDoorPath();

/// A path in the form the tools see and print (backslashes).
std::string WindowsPath(const std::filesystem::path& path);

/// A fresh empty directory for one test, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// Writes `bytes` to `file` exactly as given (no line-end translation).
void WriteFile(const std::filesystem::path& file, std::string_view bytes);

/// The bytes of `file`, exactly; none when it is missing.
std::string ReadWholeFile(const std::filesystem::path& file);

}  // namespace harness

#endif  // TESTS_SUPPORT_HARNESS_H_
