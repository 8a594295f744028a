#include "support/process_start.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace harness {
namespace {

/// One argument as MSVCRT's command-line splitting gives it back: quoted when
/// it is empty or holds blanks or quotes; inside quotes a run of backslashes
/// is doubled before a quote (and before the closing one), and the quote is
/// escaped.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    return arg;
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

/// The command line that gives the program `args` back as MSVCRT splits
/// it, after the program's own name.
std::string CommandLine(const std::filesystem::path& program,
                        const std::vector<std::string>& args) {
  // The program's own name takes no escapes: it runs to the closing quote.
  std::string line = "\"" + program.string() + "\"";
  for (const std::string& arg : args) line += " " + QuoteArgument(arg);
  return line;
}

/// This process's own file in the start log folder, made on first use in
/// that folder: many processes log at once, and appends to one shared file
/// may be lost. Empty when the run keeps no start log.
std::string OwnLogFile() {
  static std::string folder_used;
  static std::string file;
  const char* variable = std::getenv(kStartLogVariable);
  const std::string folder = variable != nullptr ? variable : "";
  if (folder != folder_used) {
    folder_used = folder;
    // A name no other writer has, however many prefixes run at once.
    char name[MAX_PATH] = {};
    file = !folder.empty() &&
                   GetTempFileNameA(FromUnixPath(folder).string().c_str(),
                                    "run", 0, name) != 0
               ? name
               : "";
  }
  return file;
}

/// Appends a line to the start log, if the run keeps one.
void LogStart(const char* kind, const std::filesystem::path& program) {
  const std::string file = OwnLogFile();
  if (file.empty()) return;
  std::ofstream(file, std::ios::app)
      << kind << "\t" << program.string() << "\n";
}

/// Says that a start was fumbled, where a person and the run's count see it.
void NoteRestart(const std::filesystem::path& program, int restart) {
  std::fprintf(stderr,
               "harness: Wine fumbled the start of %s (error %lu); starting "
               "it again (%d of %d)\n",
               program.string().c_str(), kFumbledStartError, restart,
               kMaxRestarts);
  LogStart("restart", program);
}

}  // namespace

Handle InheritableCopy(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy,
                       0, TRUE, DUPLICATE_SAME_ACCESS)) {
    return Handle();
  }
  return Handle(copy);
}

std::filesystem::path FromUnixPath(const std::string& path) {
  return std::filesystem::path(path.rfind('/', 0) == 0 ? "Z:" + path : path)
      .make_preferred();
}

ProcessStart StartProcess(const StartRequest& request) {
  ProcessStart start;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = request.input;
  startup.hStdOutput = request.output;
  startup.hStdError = request.error;
  const std::string command_line = CommandLine(request.program, request.args);
  for (;;) {
    // CreateProcessA takes both as writable buffers.
    std::string command = command_line;
    std::string environment = request.environment;
    PROCESS_INFORMATION process = {};
    if (request.create_process(
            request.program.string().c_str(), command.data(), nullptr, nullptr,
            TRUE, 0, environment.empty() ? nullptr : environment.data(),
            request.cwd.empty() ? nullptr : request.cwd.c_str(), &startup,
            &process)) {
      start.process.reset(process.hProcess);
      CloseHandle(process.hThread);
      start.error = 0;
      LogStart("start", request.program);
      return start;
    }
    start.error = GetLastError();
    if (start.error != kFumbledStartError || start.restarts == kMaxRestarts) {
      return start;
    }
    ++start.restarts;
    NoteRestart(request.program, start.restarts);
  }
}

}  // namespace harness
