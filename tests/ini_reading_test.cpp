// GetPrivateProfileStringA and GetPrivateProfileIntA on a corpus of odd INI
// files. The expectations are what Wine does; the same cases run against the
// stand-in, which must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "platform.h"
#include "support/harness.h"

namespace {

using namespace std::string_literals;

constexpr char kDefault[] = "fallback";
constexpr int kIntDefault = -7;
constexpr DWORD kBufferSize = 256;

struct IniCase {
  const char* name;
  std::string bytes;  // the whole file, exactly
  const char* section;
  const char* key;
  std::string expected;  // the text; the returned count is its length
  int expected_int;
  const char* default_text = kDefault;
  DWORD size = kBufferSize;
};

void PrintTo(const IniCase& c, std::ostream* out) { *out << c.name; }

// A file whose section S holds one line "k=<value>".
std::string Value(const std::string& value) {
  return "[S]\r\nk=" + value + "\r\n";
}

IniCase Int(const char* name, const std::string& value, int expected) {
  return {name, Value(value), "S", "k", value, expected};
}

const std::vector<IniCase> kCases = {
    {"Found", "[Hardware]\r\nDev0=PCI\\VEN_1234&DEV_5678\r\n", "Hardware",
     "Dev0", "PCI\\VEN_1234&DEV_5678", 0},
    {"MissingSection", Value("v"), "T", "k", kDefault, kIntDefault},
    {"MissingKey", Value("v"), "S", "x", kDefault, kIntDefault},
    {"EmptyFile", "", "S", "k", kDefault, kIntDefault},

    // The default: only trailing spaces go, and quotes as for a value.
    {"DefaultTrailingSpaces", Value("v"), "S", "x", "dflt", kIntDefault,
     "dflt  "},
    {"DefaultLeadingSpaces", Value("v"), "S", "x", "  dflt", kIntDefault,
     "  dflt"},
    {"DefaultTrailingTab", Value("v"), "S", "x", "dflt\t", kIntDefault,
     "dflt\t"},
    {"DefaultQuoted", Value("v"), "S", "x", "dflt", kIntDefault, "\"dflt\"  "},
    {"DefaultSingleQuoted", Value("v"), "S", "x", "dflt", kIntDefault,
     "'dflt'"},
    {"DefaultOnlySpaces", Value("v"), "S", "x", " ", kIntDefault, "   "},
    {"DefaultEmpty", Value("v"), "S", "x", "", kIntDefault, ""},
    {"DefaultTruncated", Value("v"), "S", "x", "abc", kIntDefault, "abcdefgh",
     4},

    // Empty values are found: "" rather than the default (the integer
    // reading still falls back to its default).
    {"EmptyValue", Value(""), "S", "k", "", kIntDefault},
    {"SpacesOnlyValue", Value("   "), "S", "k", "", kIntDefault},
    {"EmptyQuotes", Value("\"\""), "S", "k", "", kIntDefault},

    // White space around names and values.
    {"Trimmed", "[S]\r\n \t k \t = \t v w \t \r\n", "S", "k", "v w", 0},
    {"QueryTrimmed", Value("v"), " S ", "\tk ", "v", 0},
    {"InnerSpacesKept", "[S]\r\nmy key=a  b\r\n", "S", "my key", "a  b", 0},
    {"InnerSpacesMustMatch", "[S]\r\nmy  key=v\r\n", "S", "my key", kDefault,
     kIntDefault},
    {"ControlZVerticalTabFormFeedAreSpace", Value("\x0b\x0cv\x1a"), "S", "k",
     "v", 0},
    {"OtherControlsAreText", Value("\x1cv\x1f"), "S", "k", "\x1cv\x1f", 0},

    // Section headers.
    {"SectionNameTrimmed", "[ \tS ]\r\nk=v\r\n", "S", "k", "v", 0},
    {"IndentedHeader", "[T]\r\n  [S]  \r\nk=v\r\n", "S", "k", "v", 0},
    {"TextAfterHeader", "[S] ; note\r\nk=v\r\n", "S", "k", "v", 0},
    {"NameRunsToLastBracket", "[a]b]\r\nk=v\r\n", "a]b", "k", "v", 0},
    {"UnclosedHeaderIsNoSection", "[S\r\nk=v\r\n", "S", "k", kDefault,
     kIntDefault},
    {"UnclosedHeaderKeepsSection", "[S]\r\n[T\r\nk=v\r\n", "S", "k", "v", 0},
    {"KeysBeforeAnyHeader", "k=v\r\n[S]\r\n", "", "k", "v", 0},
    {"HeaderAsValue", Value("[T]"), "S", "k", "[T]", 0},

    // Quotes around a value.
    {"DoubleQuotes", Value("\"v w\""), "S", "k", "v w", 0},
    {"SingleQuotes", Value("'v w'"), "S", "k", "v w", 0},
    {"SpacesInsideQuotes", Value("\" v \""), "S", "k", " v ", 0},
    {"UnbalancedQuote", Value("\"v w"), "S", "k", "\"v w", 0},
    {"MismatchedQuotes", Value("'v w\""), "S", "k", "'v w\"", 0},
    {"LoneQuote", Value("\""), "S", "k", "\"", 0},

    // Truncation to the buffer: size - 1 characters.
    {"Truncated", Value("abcdef"), "S", "k", "abc", 0, kDefault, 4},
    {"ExactFit", Value("abcdef"), "S", "k", "abcdef", 0, kDefault, 7},
    {"BufferOfOne", Value("abcdef"), "S", "k", "", 0, kDefault, 1},
    {"LongValue", Value(std::string(300, 'x')), "S", "k", std::string(255, 'x'),
     0},
    {"QuotedTruncated", Value("\"abcdef\""), "S", "k", "abc", 0, kDefault, 4},
    {"QuotedFits", Value("\"abcdef\""), "S", "k", "abcdef", 0, kDefault, 8},
    // Wine strips the closing quote after truncating: the last real
    // character goes instead.
    {"QuotedOneTooLong", Value("\"abcdef\""), "S", "k", "abcde", 0, kDefault,
     7},

    // Duplicates and case.
    {"DuplicateKeyFirstWins", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1", 1},
    {"DuplicateSectionFirstBlockWins", "[S]\r\nk=1\r\n[T]\r\n[S]\r\nk=3\r\n",
     "S", "k", "1", 1},
    {"DuplicateSectionSecondBlockHidden", "[S]\r\na=1\r\n[T]\r\n[S]\r\nk=2\r\n",
     "S", "k", kDefault, kIntDefault},
    {"NamesIgnoreCase", "[HardWare]\r\nDEV0=v\r\n", "hARDWARE", "dev0", "v", 0},

    // Lines that are not plain "key=value".
    {"NoInlineComment", Value("val ; x"), "S", "k", "val ; x", 0},
    {"EqualsInValue", Value("a=b"), "S", "k", "a=b", 0},
    {"LineWithoutEquals", "[S]\r\nk\r\n", "S", "k", kDefault, kIntDefault},
    // A key line without '=' is still the first k: the value after it is
    // never seen.
    {"LineWithoutEqualsHidesLaterKey", "[S]\r\nk\r\nk=v\r\n", "S", "k",
     kDefault, kIntDefault},
    {"SemicolonStartsAKeyName", "[S]\r\n;k=v\r\nk=w\r\n", "S", "k", "w", 0},
    {"CommentedKeyIsFound", "[S]\r\n;k=v\r\n", "S", ";k", "v", 0},
    {"EmptyKeyName", "[S]\r\n=v\r\n", "S", "", "v", 0},

    // Line ends and encodings.
    {"LfLineEnds", "[S]\nj=v\nk=w\n", "S", "k", "w", 0},
    {"CrLineEnds", "[S]\rj=v\rk=w\r", "S", "k", "w", 0},
    {"MixedLineEnds", "[S]\r\r\n\n\rj=v\n\rk=w", "S", "k", "w", 0},
    {"NoFinalLineEnd", "[S]\r\nk=v", "S", "k", "v", 0},
    {"Utf8Bom", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v", 0},
    {"Utf8BomBeforeKey", "\xEF\xBB\xBFk=v\r\n", "", "k", "v", 0},
    {"Utf8BomTwice", "\xEF\xBB\xBF\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k",
     kDefault, kIntDefault},
    {"Utf16LittleEndian", "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0"s, "S",
     "k", "v", 0},
    {"Utf16BigEndian", "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n"s, "S", "k",
     "v", 0},

    // A NUL byte ends the name or value it is in; the line still counts.
    {"NulBeforeHeader", "\0[S]\r\nk=v\r\n"s, "S", "k", kDefault, kIntDefault},
    {"NulInSectionName", "[S\0x]\r\nk=v\r\n"s, "S", "k", "v", 0},
    {"NulAfterKeyName", "[S]\r\nk\0=v\r\n"s, "S", "k", "v", 0},
    {"NulBeforeKeyName", "[S]\r\n\0k=v\r\n"s, "S", "k", kDefault, kIntDefault},
    {"NulInValue", "[S]\r\nk=7\0x\r\n"s, "S", "k", "7", 7},
    {"NulStartsValue",
     "[S]\r\nk=\0"
     "7\r\n"s,
     "S", "k", "", kIntDefault},
    {"NulInOtherLine", "[S]\r\nj=\0\r\nk=v\r\n\0"s, "S", "k", "v", 0},

    // Integers: base 0 with lowercase prefixes only, and "010" is ten.
    Int("IntNegative", "-1", -1),
    Int("IntPlus", "+5", 5),
    Int("IntTrailingText", "2x", 2),
    Int("IntHex", "0x10", 16),
    Int("IntUppercaseHexPrefix", "0X10", 0),
    Int("IntLeadingZero", "010", 10),
    Int("IntBinary", "0b101", 5),
    Int("IntOctal", "0o17", 15),
    Int("IntNegativeHex", "-0x10", -16),
    Int("IntText", "abc", 0),
    Int("IntSpaceAfterSign", "- 5", 0),
    Int("IntStopsAtSpace", "1 2", 1),
    Int("IntWrapsToZero", "4294967296", 0),
    Int("IntWrapsToMinusOne", "4294967295", -1),
    Int("IntWrapsHigh", "99999999999", 1215752191),
    Int("IntWrapsLow", "-2147483649", 2147483647),
    Int("IntHexWraps", "0x1fffffffff", -1),
    // Read through 30 characters: the digits after the 29th are cut off.
    Int("IntLongerThanBuffer", "0000000000000000000000000000012", 0),
    {"IntDoubleQuoted", Value("\"7\""), "S", "k", "7", 7},
    {"IntSingleQuoted", Value("'-3'"), "S", "k", "-3", -3},
    {"IntQuotedSpace", Value("\" 7\""), "S", "k", " 7", 7},
};

class IniCorpus : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniCorpus, ReadsAsWineDoes) {
  const IniCase& c = GetParam();
  harness::TempDir dir;
  harness::WriteFile(dir.path() / "case.ini", c.bytes);
  const std::string file = harness::WindowsPath(dir.path() / "case.ini");

  std::vector<char> buffer(kBufferSize + 1, '#');
  const DWORD count = GetPrivateProfileStringA(
      c.section, c.key, c.default_text, buffer.data(), c.size, file.c_str());
  EXPECT_EQ(count, c.expected.size());
  EXPECT_EQ(std::string(buffer.data(), c.expected.size() + 1),
            c.expected + '\0');
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA(c.section, c.key,
                                                   kIntDefault, file.c_str())),
            c.expected_int);
}

INSTANTIATE_TEST_SUITE_P(Corpus, IniCorpus, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<IniCase>& info) {
                           return std::string(info.param.name);
                         });

// Reads `section`/`key` of `file` with the default "\"dflt\"  "; returns the
// text and leaves the last-error code for the caller.
std::string ReadWithQuotedDefault(const std::string& file) {
  char buffer[kBufferSize];
  std::memset(buffer, '#', sizeof buffer);
  SetLastError(0);
  const DWORD count = GetPrivateProfileStringA("S", "k", "\"dflt\"  ", buffer,
                                               sizeof buffer, file.c_str());
  return std::string(buffer, count);
}

TEST(IniFile, MissingFileGivesDefault) {
  harness::TempDir dir;
  const std::string file = harness::WindowsPath(dir.path() / "absent.ini");
  EXPECT_EQ(ReadWithQuotedDefault(file), "dflt");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(static_cast<int>(
                GetPrivateProfileIntA("S", "k", kIntDefault, file.c_str())),
            kIntDefault);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Without its folder the file is never opened, and the default is copied as
// given: only its trailing spaces go.
TEST(IniFile, MissingFolderGivesDefaultUnquoted) {
  harness::TempDir dir;
  const std::string file =
      harness::WindowsPath(dir.path() / "absent" / "list.ini");
  EXPECT_EQ(ReadWithQuotedDefault(file), "\"dflt\"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(IniFile, FolderAsFileIsAccessDenied) {
  harness::TempDir dir;
  EXPECT_EQ(ReadWithQuotedDefault(harness::WindowsPath(dir.path())),
            "\"dflt\"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(IniFile, WildcardInNameIsInvalid) {
  harness::TempDir dir;
  harness::WriteFile(dir.path() / "list.ini", "[S]\r\nk=v\r\n");
  EXPECT_EQ(
      ReadWithQuotedDefault(harness::WindowsPath(dir.path()) + "\\l*.ini"),
      "\"dflt\"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(IniFile, NameIgnoresCaseAndSeparator) {
  harness::TempDir dir;
  harness::WriteFile(dir.path() / "List.ini", "[S]\r\nk=v\r\n");
  EXPECT_EQ(
      ReadWithQuotedDefault(harness::WindowsPath(dir.path()) + "/LIST.INI"),
      "v");
}

// Windows drops the dots and spaces that end a file name before it looks.
TEST(IniFile, NameEndingInDotsOrSpacesOpensTheNameWithout) {
  harness::TempDir dir;
  harness::WriteFile(dir.path() / "list.ini", "[S]\r\nk=v\r\n");
  for (const char* typed : {"list.ini.", "list.ini ", "list.ini. ."}) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(
        ReadWithQuotedDefault(harness::WindowsPath(dir.path()) + "\\" + typed),
        "v");
  }
}

// The full path must fit MAX_PATH with its NUL: one character more and the
// file is not even opened, though it exists, so the default stays quoted.
TEST(IniFile, PathLongerThan259IsNotRead) {
  harness::TempDir dir;
  const std::string folder = harness::WindowsPath(dir.path()) + "\\";
  for (const std::size_t length : {MAX_PATH - 1, MAX_PATH}) {
    SCOPED_TRACE(length);
    const std::string name(length - folder.size(), 'i');
    harness::WriteFile(dir.path() / name, "[S]\r\nk=7\r\n");
    const std::string file = folder + name;
    ASSERT_EQ(file.size(), length);
    const bool read = length < MAX_PATH;
    EXPECT_EQ(ReadWithQuotedDefault(file), read ? "7" : "\"dflt\"");
    EXPECT_EQ(static_cast<int>(
                  GetPrivateProfileIntA("S", "k", kIntDefault, file.c_str())),
              read ? 7 : kIntDefault);
  }
}

}  // namespace
