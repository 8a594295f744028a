// Where the platforms differ in naming the executables under test.
#ifndef TESTS_SUPPORT_PLATFORM_PATHS_H_
#define TESTS_SUPPORT_PLATFORM_PATHS_H_

#include <filesystem>

namespace harness {

/// The path to start an executable by, from the path the build gave it.
std::filesystem::path ExecutablePath(const char* built_path);

}  // namespace harness

#endif  // TESTS_SUPPORT_PLATFORM_PATHS_H_
