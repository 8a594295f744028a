#include "support/driver_inf.h"

namespace harness {

namespace {

// The models-section decoration Wine reads for this build's architecture.
#ifdef _WIN64
constexpr char kArchDecoration[] = "NTamd64";
#else
constexpr char kArchDecoration[] = "NTx86";
#endif

}  // namespace

std::string DriverInf(const std::vector<std::string>& model_ids) {
  std::string models;
  int number = 0;
  for (const std::string& id : model_ids) {
    models += "\"Test Device " + std::to_string(number++) +
              "\" = TestInstall, " + id + "\r\n";
  }
  return "[Version]\r\n"
         "Signature=\"$Windows NT$\"\r\n"
         "Class=System\r\n"
         "ClassGuid={4d36e97d-e325-11ce-bfc1-08002be10318}\r\n"
         "Provider=%Provider%\r\n"
         "DriverVer=01/01/2020,1.0.0.0\r\n"
         "\r\n"
         "[Manufacturer]\r\n"
         "%Provider% = TestModels, " +
         std::string(kArchDecoration) +
         "\r\n"
         "\r\n"
         "[TestModels]\r\n" +
         models +
         "\r\n"
         "[TestModels." +
         kArchDecoration + "]\r\n" + models +
         "\r\n"
         "[TestInstall]\r\n"
         "\r\n"
         "[Strings]\r\n"
         "Provider=\"Driver Tools Tests\"\r\n";
}

}  // namespace harness
