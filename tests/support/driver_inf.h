// INF files for the tests: drivers that the compatible-driver search finds.
#ifndef TESTS_SUPPORT_DRIVER_INF_H_
#define TESTS_SUPPORT_DRIVER_INF_H_

#include <string>
#include <vector>

namespace harness {

/// A System-class driver INF with one model line per hardware ID, listed in
/// both the undecorated models section and the one decorated for this
/// build's architecture (NTx86 or NTamd64), which Wine prefers.
std::string DriverInf(const std::vector<std::string>& model_ids);

}  // namespace harness

#endif  // TESTS_SUPPORT_DRIVER_INF_H_
