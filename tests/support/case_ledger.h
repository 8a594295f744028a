// What the running case made on the machine its program's cases share, so
// that it goes when the case ends; and which case owns each hardware ID and
// INF name, so that no two cases act on each other's devices and drivers.
#ifndef TESTS_SUPPORT_CASE_LEDGER_H_
#define TESTS_SUPPORT_CASE_LEDGER_H_

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace harness {

class CaseLedger {
 public:
  /// The ledger of this program's running case.
  static CaseLedger& Current();

  /// A new case starts: nothing made yet. With `shared_names`, the case may
  /// use names that other cases use too (the sample package's own).
  void Begin(std::string case_name, bool shared_names);

  /// A device the case registered.
  void MadeDevice(const std::string& instance_id);
  /// A file or folder the case put outside its working directory.
  void MadeFile(const std::filesystem::path& path);
  /// A hardware ID or INF file name the case uses: another case that used it
  /// fails, and says whose it is.
  void Claim(const std::string& name);

  /// Removes what the case made, the newest first.
  void Undo();

 private:
  std::string case_name_;
  bool shared_names_ = false;
  std::vector<std::string> devices_;
  std::vector<std::filesystem::path> files_;
  /// Each name claimed, upper-cased, and the case that claimed it first.
  std::map<std::string, std::string> owners_;
};

}  // namespace harness

#endif  // TESTS_SUPPORT_CASE_LEDGER_H_
