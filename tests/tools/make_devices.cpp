// Makes devices on the machine it runs on (the demo's or the bench's Wine
// prefix), as plugging in hardware would, and lists them.
//
//   make_devices ID[,ID...]...  one System device per argument, with these
//                               hardware IDs (commas separate them, as on an
//                               INF model line, so no ID holds one)
//   make_devices --list         the devices made this way, with their IDs
//   make_devices --count N      N devices ROOT\BENCH\i with two IDs each
//                               (BENCH\DEVICE_i, BENCH\COMPAT_i), made in
//                               one device set: scripts/bench's machine
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/devices.h"
#include "support/machine_guard.h"

namespace {

std::vector<std::string> SplitIds(const std::string& text) {
  std::vector<std::string> ids;
  std::istringstream in(text);
  for (std::string id; std::getline(in, id, ',');) {
    if (!id.empty()) ids.push_back(id);
  }
  return ids;
}

std::string JoinIds(const std::vector<std::string>& ids) {
  std::string joined;
  for (const std::string& id : ids) {
    joined += (joined.empty() ? "" : ", ") + id;
  }
  return joined.empty() ? "(no hardware IDs)" : joined;
}

// Devices made by CreateDevice: ROOT\SYSTEM\000N.
bool IsMadeHere(const devices::DeviceInfo& device) {
  constexpr std::string_view kMadeHere = "ROOT\\SYSTEM\\";
  const std::string_view id = device.instance_id;
  return id.size() >= kMadeHere.size() &&
         std::equal(kMadeHere.begin(), kMadeHere.end(), id.begin(),
                    [](unsigned char a, unsigned char b) {
                      return std::toupper(a) == std::toupper(b);
                    });
}

// Reports why a call failed; gives the exit status for it.
int Failure(const std::string& what, const devices::Error& error) {
  std::fprintf(stderr, "make_devices: %s: %s\n", what.c_str(), error.c_str());
  return 1;
}

int List() {
  auto [made, error] = devices::List();
  if (!error.empty()) return Failure("cannot list the devices", error);
  made.erase(std::remove_if(made.begin(), made.end(),
                            [](const auto& d) { return !IsMadeHere(d); }),
             made.end());
  if (made.empty()) std::printf("  (none)\n");
  for (const devices::DeviceInfo& device : made) {
    std::printf("  %s  %s\n", device.instance_id.c_str(),
                JoinIds(device.hardware_ids).c_str());
  }
  return 0;
}

int Make(const std::vector<std::string>& id_lists) {
  for (const std::string& ids : id_lists) {
    const auto [instance_id, error] = devices::Create(SplitIds(ids));
    if (!error.empty()) {
      return Failure("cannot make a device for " + ids, error);
    }
    std::printf("  %s  %s\n", instance_id.c_str(),
                JoinIds(SplitIds(ids)).c_str());
  }
  return 0;
}

int MakeMany(const std::string& count_text) {
  char* end = nullptr;
  const long count = std::strtol(count_text.c_str(), &end, 10);
  if (end == count_text.c_str() || *end != '\0' || count < 0) {
    std::fprintf(stderr, "make_devices: not a device count: %s\n",
                 count_text.c_str());
    return 2;
  }
  const auto [made, error] =
      devices::CreateNumbered("ROOT\\BENCH\\", count, [](long number) {
        const std::string n = std::to_string(number);
        return std::vector<std::string>{"BENCH\\DEVICE_" + n,
                                        "BENCH\\COMPAT_" + n};
      });
  if (!error.empty()) {
    return Failure("cannot make device " + std::to_string(made), error);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!harness::MayChangeThisMachine(argv[0])) return harness::kRefusedStatus;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--list") return List();
  if (args.size() == 2 && args[0] == "--count") return MakeMany(args[1]);
  if (args.empty() || args[0].rfind("--", 0) == 0) {
    std::fprintf(stderr,
                 "usage: make_devices ID[,ID...]... | --list | --count N\n");
    return 2;
  }
  return Make(args);
}
