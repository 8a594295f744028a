#include "support/messages.h"

#include <windows.h>

#include <cstdio>

namespace messages {

std::string Found(const std::string& id) { return "Found! [" + id + "]\n"; }

std::string Deleted(const std::string& inf_path, const std::string& pnf_path) {
  return "Deleted INF file: " + inf_path + "\nDeleted PNF file: " + pnf_path +
         "\n";
}

std::string Deleted(const harness::Driver& driver) {
  const std::string& folder = harness::InfFolderAsTheServiceSpellsIt();
  return Deleted(folder + driver.inf, folder + driver.pnf);
}

std::string Failure(const std::string& step, unsigned long code) {
  char* text = nullptr;
  std::string report = step + " FAILURE: ";
  if (FormatMessageA(
          FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
          code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
          reinterpret_cast<char*>(&text), 0, nullptr) != 0 &&
      text != nullptr) {
    report += text;
  } else {
    char number[16];
    std::snprintf(number, sizeof number, "(0x%08lx)", code);
    report += number;
  }
  if (text != nullptr) LocalFree(text);
  return report + "\n";
}

}  // namespace messages
