// The harness's own test subject: shows what a started program receives.
// Prints each argument as "[arg]", then "cwd=<current directory>" and
// "probe=<$HARNESS_PROBE>", then HARNESS_LINES lines of 99 letters, one line
// "cr\r\n", and exits with HARNESS_EXIT; or crashes when HARNESS_CRASH is set.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

int EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) std::printf("[%s]\n", argv[i]);
  std::printf("cwd=%s\n", std::filesystem::current_path().string().c_str());
  const char* probe = std::getenv("HARNESS_PROBE");
  std::printf("probe=%s\n", probe ? probe : "(unset)");
  const std::string line(99, 'x');
  for (int i = EnvironmentNumber("HARNESS_LINES"); i > 0; --i) {
    std::printf("%s\n", line.c_str());
  }
  std::printf("cr\r\n");
  if (std::getenv("HARNESS_CRASH")) {
    std::fflush(stdout);
    *static_cast<volatile int*>(nullptr) = 0;
  }
  return EnvironmentNumber("HARNESS_EXIT");
}
