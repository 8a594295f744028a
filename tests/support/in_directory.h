// Changing the current directory of this process for one scope.
#ifndef TESTS_SUPPORT_IN_DIRECTORY_H_
#define TESTS_SUPPORT_IN_DIRECTORY_H_

#include <filesystem>

namespace harness {

/// Makes `dir` the current directory while it lives.
class InDirectory {
 public:
  explicit InDirectory(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(previous_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace harness

#endif  // TESTS_SUPPORT_IN_DIRECTORY_H_
