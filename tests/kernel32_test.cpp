// The KERNEL32 file, directory, message and string calls the tools make, with
// the results and last-error codes Wine gives; the stand-in must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform.h"
#include "support/harness.h"
#include "support/in_directory.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kFileAttributeArchive = 0x20;

// Gives a file the read-only attribute while it lives, so that the folder
// holding it can still be removed afterwards.
class ReadOnly {
 public:
  explicit ReadOnly(fs::path file) : file_(std::move(file)) {
    fs::permissions(file_,
                    fs::perms::owner_write | fs::perms::group_write |
                        fs::perms::others_write,
                    fs::perm_options::remove);
  }
  ~ReadOnly() {
    std::error_code ignored;
    fs::permissions(file_, fs::perms::owner_write, fs::perm_options::add,
                    ignored);
  }

 private:
  fs::path file_;
};

class Kernel32Files : public ::testing::Test {
 protected:
  // A Windows path to `name` in the test's folder.
  std::string PathOf(const std::string& name) const {
    return harness::WindowsPath(dir_.path()) + "\\" + name;
  }
  void Write(const std::string& name, std::string_view bytes = "12345") {
    harness::WriteFile(dir_.path() / name, bytes);
  }
  const fs::path& dir() const { return dir_.path(); }

 private:
  harness::TempDir dir_;
};

// The name is looked up ignoring case, and without the dots and spaces that
// end it.
TEST_F(Kernel32Files, DeleteFileFindsTheNameAsWindowsDoes) {
  for (const char* typed : {"driver.inf", "driver.inf.", "driver.inf "}) {
    SCOPED_TRACE(typed);
    Write("Driver.INF");
    EXPECT_TRUE(DeleteFileA(PathOf(typed).c_str()));
    EXPECT_FALSE(fs::exists(dir() / "Driver.INF"));
  }
}

// A Windows path of `length` characters to a name in the test's folder.
std::string PathOfLength(const std::string& folder, std::size_t length) {
  return folder + "\\" + std::string(length - folder.size() - 1, 'p');
}

TEST_F(Kernel32Files, DeleteFileFailures) {
  Write("locked.inf");
  fs::create_directory(dir() / "folder");
  const ReadOnly locked(dir() / "locked.inf");
  const struct {
    std::string path;
    DWORD error;
  } cases[] = {
      {PathOf("absent.inf"), ERROR_FILE_NOT_FOUND},
      {PathOf("absent\\x.inf"), ERROR_PATH_NOT_FOUND},
      {PathOf("locked.inf\\x.inf"), ERROR_PATH_NOT_FOUND},
      {PathOf("folder"), ERROR_ACCESS_DENIED},
      {PathOf("locked.inf"), ERROR_ACCESS_DENIED},
      {PathOf("*.inf"), ERROR_INVALID_NAME},
      {PathOfLength(PathOf("folder"), MAX_PATH + 1),
       ERROR_FILENAME_EXCED_RANGE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(c.path.c_str()));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(fs::exists(dir() / "locked.inf"));
}

TEST_F(Kernel32Files, FindFirstFileGivesFirstMatchIgnoringCase) {
  Write("b.inf");
  Write("A.INF", "123");
  Write("c.txt");
  WIN32_FIND_DATAA data;
  std::memset(&data, 0x55, sizeof data);
  const HANDLE search = FindFirstFileA(PathOf("*.inf").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "A.INF");
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, kFileAttributeArchive);
  EXPECT_TRUE(FindClose(search));
}

TEST_F(Kernel32Files, FindFirstFileMatchesPatterns) {
  Write("driver.inf");
  fs::create_directory(dir() / "sub");
  const struct {
    const char* pattern;
    const char* first;
  } cases[] = {
      {"DRIVER.INF", "driver.inf"},
      {"driver.in?", "driver.inf"},
      {"d*r.*", "driver.inf"},
      {"sub", "sub"},
      {"sub\\*", "."},
      {"driver.inf.", "driver.inf"},
      {"driver.inf ", "driver.inf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(PathOf(c.pattern).c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, c.first);
    FindClose(search);
  }
}

TEST_F(Kernel32Files, FindFirstFileFailures) {
  Write("driver.inf");
  const struct {
    const char* pattern;
    DWORD error;
  } cases[] = {
      {"*.txt", ERROR_FILE_NOT_FOUND},
      {"driver.inf?", ERROR_FILE_NOT_FOUND},
      {"driver", ERROR_FILE_NOT_FOUND},
      {"absent\\*.inf", ERROR_PATH_NOT_FOUND},
      {"sub*\\*.inf", ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    WIN32_FIND_DATAA data;
    SetLastError(0);
    EXPECT_EQ(FindFirstFileA(PathOf(c.pattern).c_str(), &data),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  // Wine converts the name through MAX_PATH + 1 characters.
  WIN32_FIND_DATAA data;
  SetLastError(0);
  EXPECT_EQ(FindFirstFileA(
                PathOfLength(PathOf("*"), MAX_PATH + 1).c_str(), &data),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(Kernel32Files, CurrentDirectorySizeProtocol) {
  const harness::InDirectory in(dir());
  const std::string expected = harness::WindowsPath(dir());
  const auto length = static_cast<DWORD>(expected.size());
  char buffer[MAX_PATH + 1];

  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetCurrentDirectoryA(length, buffer), length + 1);
  EXPECT_EQ(buffer[0], '#');  // too small: untouched
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);

  EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer), length);
  EXPECT_STREQ(buffer, expected.c_str());
}

TEST(Kernel32Messages, SystemTextIsAllocatedForTheCaller) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
      ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<LPSTR>(&text), 0, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(length, std::strlen(text));
  // The wording is the system's own; the line end is always there.
  EXPECT_GT(length, 2u);
  EXPECT_EQ(std::string(text).substr(length - 2), "\r\n");
  EXPECT_EQ(LocalFree(text), nullptr);
}

// The codes a run can report, worded as Wine words them: whether there is a
// text decides the form of the failure report.
TEST(Kernel32Messages, CodesOfARunHaveTheirText) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, "File not found.\r\n"},
      {ERROR_ACCESS_DENIED, "Access denied.\r\n"},
      {ERROR_INVALID_DATA, "Invalid data.\r\n"},
      {ERROR_INVALID_PARAMETER, "Invalid parameter.\r\n"},
      {ERROR_INSUFFICIENT_BUFFER, "Insufficient buffer.\r\n"},
      {ERROR_NO_MORE_ITEMS, "No more data available.\r\n"},
      {ERROR_KEY_DELETED, "Key deleted.\r\n"},
      {ERROR_INVALID_USER_BUFFER, "Invalid user buffer.\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        c.code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), c.text);
    LocalFree(text);
  }
}

TEST(Kernel32Messages, SetupApiCodesHaveNoSystemText) {
  char* text = nullptr;
  SetLastError(0);
  EXPECT_EQ(FormatMessageA(
                FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                nullptr, static_cast<DWORD>(ERROR_NO_SUCH_DEVINST),
                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                reinterpret_cast<LPSTR>(&text), 0, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(text, nullptr);
}

TEST(Kernel32Strings, NullIsHarmless) {
  EXPECT_EQ(lstrlenA(nullptr), 0);
  EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);
  EXPECT_LT(lstrcmpA(nullptr, ""), 0);
  EXPECT_GT(lstrcmpA("", nullptr), 0);
}

TEST(Kernel32Strings, CompareCopyAndAppend) {
  char text[16];
  EXPECT_EQ(lstrcpyA(text, "PCI\\"), text);
  EXPECT_EQ(lstrcatA(text, "VEN_1"), text);
  EXPECT_STREQ(text, "PCI\\VEN_1");
  EXPECT_EQ(lstrlenA(text), 9);
  EXPECT_EQ(lstrcmpA(text, "PCI\\VEN_1"), 0);
  EXPECT_NE(lstrcmpA(text, "PCI\\VEN_2"), 0);
  EXPECT_NE(lstrcmpA(text, "pci\\ven_1"), 0);
}

}  // namespace
