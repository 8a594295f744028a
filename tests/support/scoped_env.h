// Stand-in only: setting or unsetting an environment variable of this process
// (the machine, its faults, its trace) for one scope.
#ifndef TESTS_SUPPORT_SCOPED_ENV_H_
#define TESTS_SUPPORT_SCOPED_ENV_H_

#include <stdlib.h>

#include <optional>
#include <string>

namespace harness {

/// Sets (or, with no value, unsets) an environment variable while it lives,
/// then restores the old value.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name) {
    setenv(name, value.c_str(), 1);
  }
  explicit ScopedEnv(const char* name) : name_(name) {
    if (const char* old = getenv(name)) previous_ = old;
    unsetenv(name);
  }
  ~ScopedEnv() {
    if (previous_) {
      setenv(name_, previous_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

}  // namespace harness

#endif  // TESTS_SUPPORT_SCOPED_ENV_H_
