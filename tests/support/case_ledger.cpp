#include "support/case_ledger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "support/devices.h"

namespace harness {

CaseLedger& CaseLedger::Current() {
  static CaseLedger ledger;
  return ledger;
}

void CaseLedger::Begin(std::string case_name, bool shared_names) {
  case_name_ = std::move(case_name);
  shared_names_ = shared_names;
  devices_.clear();
  files_.clear();
}

void CaseLedger::MadeDevice(const std::string& instance_id) {
  devices_.push_back(instance_id);
}

void CaseLedger::MadeFile(const std::filesystem::path& path) {
  files_.push_back(path);
}

void CaseLedger::Claim(const std::string& name) {
  if (shared_names_) return;
  std::string key = name;
  // The driver search and the file system ignore case.
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  const auto [owner, first] = owners_.emplace(key, case_name_);
  if (!first && owner->second != case_name_) {
    ADD_FAILURE() << "\"" << name << "\" is " << owner->second
                  << "'s: name each case's devices and drivers after the case";
  }
}

void CaseLedger::Undo() {
  std::for_each(devices_.rbegin(), devices_.rend(), [](const std::string& id) {
    const devices::Error error = devices::Remove(id);
    // A device the tool removed is gone already.
    if (!error.empty() && error != devices::NoDevice(id))
      ADD_FAILURE() << error;
  });
  std::for_each(
      files_.rbegin(), files_.rend(), [](const std::filesystem::path& path) {
        std::error_code error;
        std::filesystem::remove_all(path, error);
        if (error) {
          ADD_FAILURE() << "cannot remove " << path << ": " << error.message();
        }
      });
  devices_.clear();
  files_.clear();
}

}  // namespace harness
