// The tools' pure functions, natively under ASan and UBSan: each buffer is
// exactly as large as the case says, so a read or write past it is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardware_id_list.h"
#include "path_join.h"
#include "pnf_path.h"

namespace {

using namespace std::string_literals;

// The IDs the walk yields from exactly these bytes.
std::vector<std::string> Walk(const std::string& bytes) {
  const std::vector<char> buffer(bytes.begin(), bytes.end());
  std::vector<std::string> ids;
  unsigned long offset = 0;
  while (const char* id =
             NextHardwareId(buffer.data(), buffer.size(), &offset)) {
    ids.emplace_back(id);
  }
  return ids;
}

TEST(HardwareIdList, WholeStringsUpToTheFirstEmptyOne) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {""s, {}},
      {"\0"s, {}},
      {"\0\0"s, {}},
      {"A\0\0"s, {"A"}},
      {"A\0B\0\0"s, {"A", "B"}},
      // No final empty string: the end of the buffer ends the list.
      {"A\0B\0"s, {"A", "B"}},
      // Bytes after the list's end are no IDs (Wine's ROOT\WINE\WINEBUS).
      {"root\\winebus\0\0C:\\windows\\inf"s, {"root\\winebus"}},
      // A last string without its NUL is no ID.
      {"A\0TAIL"s, {"A"}},
      {"TAIL"s, {}},
  };
  for (const auto& [bytes, ids] : cases) {
    EXPECT_EQ(Walk(bytes), ids) << testing::PrintToString(bytes);
  }
}

TEST(HardwareIdList, OffsetPastTheBufferYieldsNothing) {
  const char ids[] = {'A', '\0'};
  unsigned long offset = 2;
  EXPECT_EQ(NextHardwareId(ids, sizeof ids, &offset), nullptr);
  offset = 7;
  EXPECT_EQ(NextHardwareId(ids, sizeof ids, &offset), nullptr);
}

// The PNF path made into a buffer of exactly `size` characters, or "(none)".
std::string Pnf(const std::string& inf, int size = 300) {
  std::vector<char> pnf(size);
  return MakePnfPath(inf.c_str(), pnf.data(), size) ? pnf.data() : "(none)";
}

TEST(PnfPath, ExtensionOfTheFileNameBecomesPnf) {
  EXPECT_EQ(Pnf("C:\\windows\\inf\\oem1.inf"), "C:\\windows\\inf\\oem1.pnf");
  EXPECT_EQ(Pnf("C:/windows/inf\\x.inf"), "C:/windows/inf\\x.pnf");
  EXPECT_EQ(Pnf("C:\\d\\x.y.inf"), "C:\\d\\x.y.pnf");
  EXPECT_EQ(Pnf("C:\\d\\x."), "C:\\d\\x.pnf");
  EXPECT_EQ(Pnf("x.inf"), "x.pnf");
}

TEST(PnfPath, NameWithoutExtensionGetsPnfAppended) {
  EXPECT_EQ(Pnf("C:\\A.B\\x"), "C:\\A.B\\x.pnf");
  EXPECT_EQ(Pnf("C:/A.B/x"), "C:/A.B/x.pnf");
  EXPECT_EQ(Pnf("C:\\windows\\inf\\driver"), "C:\\windows\\inf\\driver.pnf");
  EXPECT_EQ(Pnf(""), ".pnf");
}

TEST(PnfPath, FitsExactlyOrNotAtAll) {
  const std::string inf = "C:\\d\\x.inf";  // "C:\d\x.pnf": 10 and the NUL
  EXPECT_EQ(Pnf(inf, 11), "C:\\d\\x.pnf");
  EXPECT_EQ(Pnf(inf, 10), "(none)");
  EXPECT_EQ(Pnf("C:\\d\\x", 10), "(none)");
  EXPECT_EQ(Pnf("C:\\d\\x", 11), "C:\\d\\x.pnf");
  EXPECT_EQ(Pnf("", 5), ".pnf");
  EXPECT_EQ(Pnf("", 4), "(none)");
  EXPECT_EQ(Pnf("", 0), "(none)");
  // The tool's buffer: any path ended within MAX_PATH, with ".pnf".
  EXPECT_EQ(Pnf(std::string(259, 'n'), 264), std::string(259, 'n') + ".pnf");
}

// directory "\" name in a buffer of exactly `size` characters, or "(none)"
// with the buffer untouched.
std::string Join(const std::string& directory, const std::string& name,
                 int size) {
  std::vector<char> path(size, '#');
  if (JoinPath(path.data(), size, directory.c_str(), name.c_str())) {
    return path.data();
  }
  EXPECT_EQ(std::string(path.begin(), path.end()), std::string(size, '#'));
  return "(none)";
}

TEST(PathJoin, JoinsWithOneBackslash) {
  EXPECT_EQ(Join("C:\\dir", "list.ini", 262), "C:\\dir\\list.ini");
  EXPECT_EQ(Join("C:\\dir", "", 262), "C:\\dir\\");
  EXPECT_EQ(Join("", "x", 262), "\\x");
}

TEST(PathJoin, WholePathMustFitWithItsNul) {
  for (const int size : {260, 262}) {
    SCOPED_TRACE(size);
    const std::string directory(100, 'd');
    const std::string fits(size - 1 - 101, 'n');
    EXPECT_EQ(Join(directory, fits, size), directory + "\\" + fits);
    EXPECT_EQ(Join(directory, fits + "n", size), "(none)");
    EXPECT_EQ(Join(std::string(size - 2, 'd'), "", size),
              std::string(size - 2, 'd') + "\\");
    EXPECT_EQ(Join(std::string(size - 1, 'd'), "", size), "(none)");
  }
  EXPECT_EQ(Join("", "", 2), "\\");
  EXPECT_EQ(Join("", "", 1), "(none)");
  EXPECT_EQ(Join("d", "n", 0), "(none)");
}

}  // namespace
