// FormatMessageA for system error codes, worded as Wine words them (English).
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "heap.h"
#include "instrument.h"

namespace {

struct SystemMessage {
  DWORD code;
  std::string_view text;
};

// Wine 8's table, "\r\n" included; Windows words several of these
// differently. SetupAPI's codes have no text, as under Wine.
constexpr SystemMessage kSystemMessages[] = {
    {0, "Success.\r\n"},
    {1, "Invalid function.\r\n"},
    {2, "File not found.\r\n"},
    {3, "Path not found.\r\n"},
    {4, "Too many open files.\r\n"},
    {5, "Access denied.\r\n"},
    {6, "Invalid handle.\r\n"},
    {8, "Not enough memory.\r\n"},
    {13, "Invalid data.\r\n"},
    {14, "Out of memory.\r\n"},
    {15, "Invalid drive.\r\n"},
    {18, "No more files.\r\n"},
    {21, "Not ready.\r\n"},
    {31, "General failure.\r\n"},
    {32, "Sharing violation.\r\n"},
    {50, "Request not supported.\r\n"},
    {80, "File exists.\r\n"},
    {87, "Invalid parameter.\r\n"},
    {120, "Call not implemented.\r\n"},
    {122, "Insufficient buffer.\r\n"},
    {123, "Invalid name.\r\n"},
    {161, "Path is invalid.\r\n"},
    {183, "File already exists.\r\n"},
    {206, "File name is too long.\r\n"},
    {234, "More data available.\r\n"},
    {259, "No more data available.\r\n"},
    {267, "Directory name invalid.\r\n"},
    {1006, "File invalid.\r\n"},
    {1018, "Key deleted.\r\n"},
    {1168, "Element not found.\r\n"},
    {1223, "Operation canceled by user.\r\n"},
    {1460, "Timeout.\r\n"},
    {1784, "Invalid user buffer.\r\n"},
};

constexpr DWORD kSupportedFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                  FORMAT_MESSAGE_IGNORE_INSERTS |
                                  FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kRequiredFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
// The low byte sets a line width; system texts are one short line.
constexpr DWORD kMaxWidthMask = 0xFF;

const SystemMessage* FindSystemMessage(DWORD code) {
  const auto found =
      std::find_if(std::begin(kSystemMessages), std::end(kSystemMessages),
                   [code](const SystemMessage& m) { return m.code == code; });
  return found != std::end(kSystemMessages) ? found : nullptr;
}

}  // namespace

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD code,
                     DWORD /*language*/, LPSTR buffer, DWORD /*size*/,
                     void* /*arguments*/) {
  standin::TraceCall("FormatMessageA", {{"flags", std::to_string(flags)},
                                        {"code", std::to_string(code)}});
  if (standin::FaultDue("FormatMessageA")) return 0;
  if ((flags & ~(kSupportedFlags | kMaxWidthMask)) != 0 ||
      (flags & kRequiredFlags) != kRequiredFlags || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const SystemMessage* message = FindSystemMessage(code);
  if (message == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const std::size_t length = message->text.size();
  auto* text = static_cast<char*>(standin::AllocateLocal(length + 1, false));
  if (text == nullptr) return 0;
  std::memcpy(text, message->text.data(), length);
  text[length] = '\0';
  *reinterpret_cast<LPSTR*>(buffer) = text;
  return static_cast<DWORD>(length);
}
