#include "platform/PrivateProfile.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using platform::testing::ScratchRoot;

constexpr char kSample[] =
    "; leading comment\r\n"
    "[Main]\r\n"
    "  Name = Alpha  \r\n"
    "Empty=\r\n"
    "Double=\"quoted text\"\r\n"
    "Single='x'\r\n"
    "Mixed=\"half'\r\n"
    "Inner=a \"b\" c\r\n"
    "Count=42abc\r\n"
    "Negative=-7\r\n"
    "Word=abc\r\n"
    "bare line\r\n"
    "; comment in section\r\n"
    "Name=second\r\n"
    "\r\n"
    "[ Other ]\r\n"
    "k=v\r\n";

std::u16string readString(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, const std::u16string& file, DWORD size = 256,
                          DWORD* length = nullptr) {
  std::u16string buffer(size + 2, u'#');
  const DWORD count = GetPrivateProfileStringW(section, key, fallback, buffer.data(), size, file.c_str());
  if (length != nullptr) *length = count;
  return buffer.substr(0, count);
}

// The NUL-separated list a buffer holds, with the double NUL checked.
std::vector<std::u16string> listOf(const std::u16string& buffer, DWORD length) {
  std::vector<std::u16string> items;
  EXPECT_EQ(buffer[length], u'\0');
  size_t at = 0;
  while (at < length) {
    const size_t end = buffer.find(u'\0', at);
    items.push_back(buffer.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

TEST(PrivateProfileTest, ReadsValuesByTheRules) {
  ScratchRoot root;
  const auto file = root.writeFile("a.ini", kSample);
  struct Case {
    const char* what;
    LPCWSTR section;
    LPCWSTR key;
    LPCWSTR fallback;
    std::u16string expected;
  };
  const Case cases[] = {
      {"blanks trimmed, names ignore case", u"main", u"NAME", u"d", u"Alpha"},
      {"first of two keys wins", u"Main", u"Name", nullptr, u"Alpha"},
      {"empty value is present", u"Main", u"Empty", u"d", u""},
      {"double quotes removed", u"Main", u"Double", nullptr, u"quoted text"},
      {"single quotes removed", u"Main", u"Single", nullptr, u"x"},
      {"unmatched quotes kept", u"Main", u"Mixed", nullptr, u"\"half'"},
      {"inner quotes kept", u"Main", u"Inner", nullptr, u"a \"b\" c"},
      {"section name trimmed", u"Other", u"K", nullptr, u"v"},
      {"missing key gives default", u"Main", u"Nope", u"dflt", u"dflt"},
      {"default loses trailing blanks", u"Main", u"Nope", u"dflt  ", u"dflt"},
      {"null default is empty", u"Main", u"Nope", nullptr, u""},
      {"missing section", u"None", u"Name", u"d", u"d"},
      {"line without = is no key", u"Main", u"bare line", u"d", u"d"},
      {"comment is no key", u"Main", u"; comment in section", u"d", u"d"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readString(c.section, c.key, c.fallback, file), c.expected) << c.what;
  }
  EXPECT_EQ(readString(u"Main", u"Name", u"d", root.windowsName("missing.ini")), u"d");
}

TEST(PrivateProfileTest, CutsAndListsFitTheBuffer) {
  ScratchRoot root;
  const auto file = root.writeFile("a.ini", kSample);
  DWORD length = 0;
  EXPECT_EQ(readString(u"Main", u"Name", nullptr, file, 4, &length), u"Alp");
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(readString(u"Main", u"Nope", u"default", file, 3, &length), u"de");

  std::u16string buffer(512, u'#');
  length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 512, file.c_str());
  EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"Main", u"Other"}));
  length = GetPrivateProfileStringW(u"MAIN", nullptr, nullptr, buffer.data(), 512, file.c_str());
  EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"Name", u"Empty", u"Double", u"Single", u"Mixed",
                                                                 u"Inner", u"Count", u"Negative", u"Word", u"Name"}));
  // Too small: cut, ends in two NULs, answers size - 2.
  length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 8, file.c_str());
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(buffer.substr(0, 8), std::u16string(u"Main\0Ot\0\0", 8).substr(0, 6) + u'\0' + u'\0');
  // A missing file lists nothing.
  buffer.assign(8, u'#');
  const auto missing = root.windowsName("none.ini");
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 8, missing.c_str()), 0u);
  EXPECT_EQ(buffer.substr(0, 2), std::u16string(2, u'\0'));
}

TEST(PrivateProfileTest, IntegersTakeLeadingDigits) {
  ScratchRoot root;
  const auto file = root.writeFile("a.ini", kSample);
  EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"Count", 5, file.c_str()), 42u);
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(u"Main", u"Negative", 5, file.c_str())), -7);
  EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"Word", 5, file.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"Empty", 5, file.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(u"Main", u"Nope", 5, file.c_str()), 5u);
}

TEST(PrivateProfileTest, SectionGivesEveryRawLine) {
  ScratchRoot root;
  const auto file = root.writeFile("a.ini", "[S]\r\nb=2\r\n  raw line  \r\n;note\r\nb=3\r\n\r\n[T]\r\nx=1\r\n");
  std::u16string buffer(64, u'#');
  DWORD length = GetPrivateProfileSectionW(u"s", buffer.data(), 64, file.c_str());
  EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"b=2", u"raw line", u";note", u"b=3"}));
  length = GetPrivateProfileSectionW(u"s", buffer.data(), 7, file.c_str());
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(buffer.substr(0, 7), std::u16string(u"b=2\0ra\0\0", 7).substr(0, 5) + u'\0' + u'\0');
}

struct WriteCase {
  const char* what;
  const char* before;
  LPCWSTR section;
  LPCWSTR key;
  LPCWSTR value;
  const char* after;
};

TEST(PrivateProfileTest, WritesEditOnlyWhatTheyMean) {
  const WriteCase cases[] = {
      {"replace first key in place, keeping its spelling", "[A]\nKey=1\nkey=2\n[B]\nx=1\n", u"a", u"KEY", u"9",
       "[A]\nKey=9\r\nkey=2\n[B]\nx=1\n"},
      {"append at end of section before blank lines", "[A]\r\nx=1\r\n\r\n[B]\r\n", u"A", u"y", u"2",
       "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\n"},
      {"append missing section", "[A]\r\nx=1", u"B", u"y", u"2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"new file", "", u"S", u"k", u"v", "[S]\r\nk=v\r\n"},
      {"null value deletes the key", "[A]\r\nx=1\r\ny=2\r\nx=3\r\n", u"A", u"X", nullptr, "[A]\r\ny=2\r\n"},
      {"null key deletes the section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", u"a", nullptr, nullptr, "[B]\r\ny=2\r\n"},
      {"untouched bytes stay, even invalid UTF-8", "[A]\nbad=\xff\xfe!\nx=1\n", u"A", u"x", u"2",
       "[A]\nbad=\xff\xfe!\nx=2\r\n"},
      {"byte order mark kept", "\xEF\xBB\xBF[A]\r\nx=1\r\n", u"A", u"x", u"\u00e9",
       "\xEF\xBB\xBF[A]\r\nx=\xC3\xA9\r\n"},
      // A lone CR ends a line like LF and stays as it was.
      {"last line ending in a lone CR keeps it", "[A]\r\nx=1\r", u"A", u"y", u"2", "[A]\r\nx=1\ry=2\r\n"},
      {"section head ending in a lone CR", "[S\r", u"S", u"k", u"v", "[S\rk=v\r\n"},
      {"lines ending in lone CRs, value replaced", "[A]\rx=1\ry=2\r[B]\rx=3\r", u"A", u"x", u"9",
       "[A]\rx=9\r\ny=2\r[B]\rx=3\r"},
  };
  for (const auto& c : cases) {
    ScratchRoot root;
    const auto file = c.before[0] == 0 ? root.windowsName("new.ini") : root.writeFile("new.ini", c.before);
    ASSERT_TRUE(WritePrivateProfileStringW(c.section, c.key, c.value, file.c_str())) << c.what;
    EXPECT_EQ(root.readFile("new.ini"), c.after) << c.what;
  }
}

TEST(PrivateProfileTest, Utf16FilesRoundTrip) {
  ScratchRoot root;
  const std::u16string text = u"[A]\r\nk=\u4e2d\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  const auto file = root.writeFile("w.ini", bytes);
  EXPECT_EQ(readString(u"a", u"K", nullptr, file), u"\u4e2d");
  ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"n", u"\u00fc", file.c_str()));
  std::string expected = bytes;
  for (char16_t unit : std::u16string(u"n=\u00fc\r\n")) {
    expected += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  EXPECT_EQ(root.readFile("w.ini"), expected);
}

std::string utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// A UTF-16 file with an odd byte count: the byte stays last, and lines added
// before it keep their units aligned, so old and new keys read back.
TEST(PrivateProfileTest, Utf16FileWithAnOddByteKeepsItsUnitsAligned) {
  ScratchRoot root;
  const std::string body = "\xFF\xFE" + utf16Bytes(u"[A]\r\nx=1");
  const auto file = root.writeFile("odd.ini", body + "Z");
  ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"y", u"2", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(u"B", u"z", u"3", file.c_str()));
  EXPECT_EQ(root.readFile("odd.ini"), body + utf16Bytes(u"\r\ny=2\r\n[B]\r\nz=3\r\n") + "Z");
  EXPECT_EQ(readString(u"A", u"x", u"d", file), u"1");
  EXPECT_EQ(readString(u"A", u"y", u"d", file), u"2");
  EXPECT_EQ(readString(u"B", u"z", u"d", file), u"3");
}

// Names that would not be read back as themselves are refused, and so are
// values that would end their line: such a write would change the meaning
// of other lines or be appended again at every write.
TEST(PrivateProfileTest, NamesThatCannotBeReadBackAreRefused) {
  struct Case {
    const char* what;
    LPCWSTR section;
    LPCWSTR key;
    LPCWSTR value;
  };
  const Case cases[] = {
      {"section holding ]", u"a]b", u"k", u"v"},
      {"section holding a line end", u"S\r\n[T", u"k", u"v"},
      {"key starting with ;", u"S", u";k", u"v"},
      {"key starting with [ after blanks", u"S", u"  [k", u"v"},
      {"key holding =", u"S", u"a=b", u"v"},
      {"key holding LF", u"S", u"k\nx", u"v"},
      {"key holding CR", u"S", u"k\rx", u"v"},
      {"empty key", u"S", u"", u"v"},
      {"blank key", u"S", u"  ", u"v"},
      {"value holding a line end", u"S", u"k", u"v\r\n[Other]"},
      {"lone surrogate in an ANSI file", u"S", u"k\xD800", u"v"},
  };
  ScratchRoot root;
  const std::string before = "[S]\r\nk=old\r\n";
  for (const auto& c : cases) {
    const auto file = root.writeFile("names.ini", before);
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringW(c.section, c.key, c.value, file.c_str())) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    EXPECT_EQ(root.readFile("names.ini"), before) << c.what;
  }
  const auto file = root.writeFile("names.ini", before);
  EXPECT_FALSE(WritePrivateProfileSectionW(u"S", u"a=1\0b\n[T]\0", file.c_str()));
  EXPECT_EQ(root.readFile("names.ini"), before);
  // A UTF-16 file holds any unit.
  const std::string wide = "\xFF\xFE" + utf16Bytes(u"[S]\r\n");
  const auto wideFile = root.writeFile("wide.ini", wide);
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k\xD800", u"v", wideFile.c_str()));
  EXPECT_EQ(readString(u"S", u"k\xD800", u"d", wideFile), u"v");
}

// The same file bodies with CR LF, LF and lone CR line ends read alike.
TEST(PrivateProfileTest, EveryKindOfLineEndReadsAlike) {
  const std::vector<std::string> lines = {"[Main]", "  Name = Alpha  ", "Quoted=\"q v\"", "raw line", "[Other]",
                                          "k=v",    "Last=end"};
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    const std::string label = end == "\r" ? "CR" : end == "\n" ? "LF" : "CR LF";
    for (const bool wide : {false, true}) {
      std::string text;
      for (const auto& line : lines) text += line + end;
      ScratchRoot root;
      const auto file =
          root.writeFile("e.ini", wide ? "\xFF\xFE" + utf16Bytes(platform::ansiToWideLenient(text)) : text);
      const std::string what = label + (wide ? " UTF-16" : " ANSI");
      EXPECT_EQ(readString(u"main", u"NAME", u"d", file), u"Alpha") << what;
      EXPECT_EQ(readString(u"Main", u"Quoted", u"d", file), u"q v") << what;
      EXPECT_EQ(readString(u"Other", u"last", u"d", file), u"end") << what;
      DWORD length = 0;
      EXPECT_EQ(readString(u"Main", u"Name", nullptr, file, 3, &length), u"Al") << what;
      EXPECT_EQ(length, 2u) << what;
      EXPECT_EQ(readString(u"Main", u"none", u"default", file, 4, &length), u"def") << what;
      EXPECT_EQ(length, 3u) << what;

      std::u16string buffer(64, u'#');
      length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 64, file.c_str());
      EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"Main", u"Other"})) << what;
      length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 6, file.c_str());
      EXPECT_EQ(length, 4u) << what;
      EXPECT_EQ(buffer.substr(0, 6), std::u16string(u"Main\0\0", 6)) << what;
      length = GetPrivateProfileStringW(u"OTHER", nullptr, nullptr, buffer.data(), 64, file.c_str());
      EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"k", u"Last"})) << what;
      length = GetPrivateProfileStringW(u"Other", nullptr, nullptr, buffer.data(), 5, file.c_str());
      EXPECT_EQ(length, 3u) << what;
      length = GetPrivateProfileSectionW(u"main", buffer.data(), 64, file.c_str());
      EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"Name = Alpha", u"Quoted=\"q v\"", u"raw line"}))
          << what;

      // A write replaces the value and leaves every other key as it was.
      ASSERT_TRUE(WritePrivateProfileStringW(u"MAIN", u"name", u"Beta", file.c_str())) << what;
      EXPECT_EQ(readString(u"Main", u"Name", u"d", file), u"Beta") << what;
      EXPECT_EQ(readString(u"Main", u"Quoted", u"d", file), u"q v") << what;
      EXPECT_EQ(readString(u"Other", u"k", u"d", file), u"v") << what;
      EXPECT_EQ(readString(u"Other", u"Last", u"d", file), u"end") << what;
      length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), 64, file.c_str());
      EXPECT_EQ(listOf(buffer, length), (std::vector<std::u16string>{u"Main", u"Other"})) << what;
    }
  }
}

TEST(PrivateProfileTest, SectionWritesAndFlush) {
  ScratchRoot root;
  const auto file = root.writeFile("s.ini", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"p=1\0q=2\0", file.c_str()));
  EXPECT_EQ(root.readFile("s.ini"), "[A]\r\np=1\r\nq=2\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionW(u"B", nullptr, file.c_str()));
  EXPECT_EQ(root.readFile("s.ini"), "[A]\r\np=1\r\nq=2\r\n");
  EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringW(nullptr, u"k", u"v", file.c_str()));
  // Deleting from a missing file succeeds and creates nothing.
  const auto missing = root.windowsName("none.ini");
  EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"k", nullptr, missing.c_str()));
  EXPECT_TRUE(WritePrivateProfileSectionW(u"A", nullptr, missing.c_str()));
  EXPECT_FALSE(std::filesystem::exists(root.driveC() + "/none.ini"));
}

TEST(PrivateProfileTest, BareNameIsInTheWindowsFolder) {
  ScratchRoot root;
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", u"TEST.INI"));
  EXPECT_TRUE(std::filesystem::exists(root.path() + "/Windows/TEST.INI"));
  EXPECT_EQ(readString(u"S", u"k", nullptr, u"test.ini"), u"v");
}

TEST(PrivateProfileTest, FailedWritesReportAndLeaveTheFileWhole) {
  ScratchRoot root;
  // No folder: not created.
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", root.windowsName("no/dir/x.ini").c_str()));
  EXPECT_FALSE(std::filesystem::exists(root.driveC() + "/no"));

  // A disk that fills up: the old file stays, no temporary file is left.
  const auto file = root.writeFile("d/full.ini", "[S]\r\nk=old\r\n");
  {
    platform::ScopedFileSyscalls restore;
    platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", file.c_str()));
  }
  EXPECT_EQ(root.readFile("d/full.ini"), "[S]\r\nk=old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.driveC() + "/d"), {}), 1);
}

// A writer never follows a link under the ini file's name: someone who can
// write the folder must not lead it (perhaps root) to another file.
TEST(PrivateProfileTest, WritesDoNotFollowALinkUnderTheName) {
  ScratchRoot root;
  root.writeFile("private/secret", "[S]\r\nk=secret\r\n");
  root.writeFile("open/keep", "");
  const std::string folder = root.driveC() + "/open";
  ASSERT_EQ(symlink((root.driveC() + "/private/secret").c_str(), (folder + "/linked.ini").c_str()), 0);
  ASSERT_EQ(symlink((root.driveC() + "/private/made").c_str(), (folder + "/dangling.ini").c_str()), 0);
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", root.windowsName("open/linked.ini").c_str()));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", nullptr, root.windowsName("open/linked.ini").c_str()));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", root.windowsName("open/dangling.ini").c_str()));
  EXPECT_EQ(root.readFile("private/secret"), "[S]\r\nk=secret\r\n");
  EXPECT_FALSE(std::filesystem::exists(root.driveC() + "/private/made"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.driveC() + "/private"), {}), 1);
}

// Temporary copies left by a writer that died before renaming are removed by
// the next writer of the file; those of living processes and of other files
// stay.
TEST(PrivateProfileTest, NextWriterRemovesTemporaryCopiesOfDeadWriters) {
  ScratchRoot root;
  const pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  const std::string deadCopy = "t.ini.~" + std::to_string(dead) + "-7.tmp";
  const std::string livingCopy = "t.ini.~1-0.tmp";
  const std::string otherFile = "u.ini.~" + std::to_string(dead) + "-0.tmp";
  for (const auto& name : {deadCopy, livingCopy, otherFile}) root.writeFile(name, "[S]\r\n");
  const auto file = root.writeFile("t.ini", "[S]\r\nk=1\r\n");
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"2", file.c_str()));
  EXPECT_FALSE(std::filesystem::exists(root.driveC() + "/" + deadCopy));
  EXPECT_TRUE(std::filesystem::exists(root.driveC() + "/" + livingCopy));
  EXPECT_TRUE(std::filesystem::exists(root.driveC() + "/" + otherFile));
  EXPECT_EQ(readString(u"S", u"k", u"d", file), u"2");
}

TEST(PrivateProfileTest, WritesKeepTheFileMode) {
  ScratchRoot root;
  const auto file = root.writeFile("m.ini", "[S]\r\n");
  chmod((root.driveC() + "/m.ini").c_str(), 0640);
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", file.c_str()));
  struct stat info {};
  ASSERT_EQ(stat((root.driveC() + "/m.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// Two processes share one file: each writes its own keys while reading the
// other's. Every write must survive and every read must see a whole file.
TEST(PrivateProfileTest, TwoProcessesNeitherLoseNorTearWrites) {
  ScratchRoot root;
  const auto file = root.windowsName("shared.ini");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Guard", u"last", u"end", file.c_str()));
  constexpr int kRounds = 150;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  auto run = [&](const char16_t* section) {
    int torn = 0;
    for (int round = 0; round < kRounds; ++round) {
      const std::string digits = std::to_string(round);
      const std::u16string key = u"k" + std::u16string(digits.begin(), digits.end());
      if (!WritePrivateProfileStringW(section, key.c_str(), u"value", file.c_str())) return -1;
      // The guard sits in the section written first: a reader that saw a
      // partial file would miss it.
      if (readString(u"Guard", u"last", u"missing", file) != u"end") ++torn;
    }
    return torn;
  };
  if (child == 0) _exit(run(u"Child") == 0 ? 0 : 1);
  const int torn = run(u"Parent");
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(torn, 0);
  for (const char16_t* section : {u"Child", u"Parent"}) {
    std::u16string buffer(8192, u'#');
    const DWORD length = GetPrivateProfileStringW(section, nullptr, nullptr, buffer.data(), 8192, file.c_str());
    EXPECT_EQ(listOf(buffer, length).size(), static_cast<size_t>(kRounds));
  }
}

// A fault of the system reads the same from an ini write and a file write:
// both go through the one errno map.
TEST(PrivateProfileTest, WriteFaultsGiveTheSameErrorAsAFileWrite) {
  ScratchRoot root;
  const auto ini = root.writeFile("e/x.ini", "[S]\r\nk=old\r\n");
  const auto data = root.writeFile("e/x.bin", "");
  static int injected = 0;
  for (const int error : {ENOSPC, EDQUOT, EACCES, EIO}) {
    SCOPED_TRACE(error);
    injected = error;
    platform::ScopedFileSyscalls restore;
    platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t {
      errno = injected;
      return -1;
    };
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"new", ini.c_str()));
    const DWORD iniError = GetLastError();

    HANDLE file = CreateFileW(data.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    const DWORD fileError = GetLastError();
    CloseHandle(file);

    EXPECT_EQ(iniError, fileError);
    EXPECT_EQ(iniError, platform::errorFromErrno(error));
  }
  EXPECT_EQ(platform::errorFromErrno(ENOSPC), ERROR_DISK_FULL);
}

}  // namespace

namespace {

// Keys changed together are read together, and a conditional write changes
// nothing once a key it expects has moved on.
TEST(PrivateProfileTest, ConditionalWritesAnswerOnlyWhatTheyRead) {
  ScratchRoot root;
  const auto file = root.writeFile("c.ini", "[S]\r\nCommand=RUN=a|b\r\nId=1\r\n[T]\r\nk=v\r\n");
  const auto read = platform::readPrivateProfileValues(u"s", {u"command", u"Id", u"None"}, file.c_str());
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0], u"RUN=a|b");
  EXPECT_EQ(read[1], u"1");
  EXPECT_FALSE(read[2].has_value());

  using platform::ConditionalWrite;
  struct Case {
    const char* what;
    std::vector<platform::ProfileKeyValue> expected;
    ConditionalWrite outcome;
  };
  const Case cases[] = {
      {"another id", {{u"Command", u"RUN=a|b"}, {u"Id", u"2"}}, ConditionalWrite::Outdated},
      {"key expected missing", {{u"Id", std::nullopt}}, ConditionalWrite::Outdated},
      {"key expected present", {{u"None", u""}}, ConditionalWrite::Outdated},
      {"all as read", {{u"Command", u"RUN=a|b"}, {u"Id", u"1"}, {u"None", std::nullopt}}, ConditionalWrite::Written},
  };
  for (const Case& c : cases) {
    const std::string before = root.readFile("c.ini");
    EXPECT_EQ(platform::writePrivateProfileValuesIf(u"S", c.expected, {{u"Command", u"*idle*"}, {u"Id", std::nullopt}},
                                                    file.c_str()),
              c.outcome)
        << c.what;
    if (c.outcome == ConditionalWrite::Outdated) {
      EXPECT_EQ(root.readFile("c.ini"), before) << c.what;
    }
  }
  EXPECT_EQ(root.readFile("c.ini"), "[S]\r\nCommand=*idle*\r\n[T]\r\nk=v\r\n");
  // A failed write is told apart from an outdated one.
  EXPECT_EQ(platform::writePrivateProfileValuesIf(u"S", {}, {{u"k", u"v"}}, root.windowsName("no/dir/x.ini").c_str()),
            ConditionalWrite::Failed);
}

}  // namespace
