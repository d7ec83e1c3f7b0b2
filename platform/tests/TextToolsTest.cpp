#include "platform/TextTools.h"

#include <gtest/gtest.h>

namespace {

TEST(TextToolsTest, SequenceLengthAtEachBoundaryOfTheLeadByte) {
  const struct {
    unsigned char lead;
    size_t length;
  } rows[] = {
      // ASCII, then continuation bytes, then leads of overlong forms only
      {0x00, 1},
      {0x7F, 1},
      {0x80, 0},
      {0xBF, 0},
      {0xC0, 0},
      {0xC1, 0},
      // the leads of two, three and four bytes, then leads beyond U+10FFFF
      {0xC2, 2},
      {0xDF, 2},
      {0xE0, 3},
      {0xEF, 3},
      {0xF0, 4},
      {0xF4, 4},
      {0xF5, 0},
      {0xFF, 0},
  };
  for (const auto& row : rows) EXPECT_EQ(platform::utf8SequenceLength(row.lead), row.length) << int(row.lead);
}

TEST(TextToolsTest, EncodesTheFirstAndLastCodePointOfEachLength) {
  const struct {
    char32_t code;
    const char* bytes;
  } rows[] = {
      {0x0, "\x00"},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& row : rows) {
    std::string out;
    platform::appendUtf8(out, row.code);
    EXPECT_EQ(out, row.code == 0 ? std::string(1, '\0') : std::string(row.bytes)) << uint32_t(row.code);
    EXPECT_EQ(platform::utf8SequenceLength(static_cast<unsigned char>(out[0])), out.size());
  }
}

TEST(TextToolsTest, EncodesUtf16OnEitherSideOfThePlaneBoundary) {
  const struct {
    char32_t code;
    std::u16string units;
  } rows[] = {
      {0x0, std::u16string(1, u'\0')}, {0xFFFF, u"\xFFFF"},         {0x10000, u"\xD800\xDC00"},
      {0x1F600, u"\xD83D\xDE00"},      {0x10FFFF, u"\xDBFF\xDFFF"},
  };
  for (const auto& row : rows) {
    std::u16string out = u"x";
    platform::appendUtf16(out, row.code);
    EXPECT_EQ(out, u"x" + row.units) << uint32_t(row.code);
  }
}

TEST(TextToolsTest, AsciiCompareFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(platform::equalsAsciiIgnoreCase("HTTPS", "https"));
  EXPECT_FALSE(platform::equalsAsciiIgnoreCase("https", "http"));
  EXPECT_FALSE(platform::equalsAsciiIgnoreCase("\xC3\x89", "\xC3\xA9"));  // E acute in two cases: not ASCII
  EXPECT_FALSE(platform::equalsAsciiIgnoreCase("@[", "`{"));              // the neighbours of the letter ranges
  EXPECT_TRUE(platform::startsWithAsciiIgnoreCase("HTTPS://host", "https:"));
  EXPECT_FALSE(platform::startsWithAsciiIgnoreCase("http", "https"));
}

TEST(TextToolsTest, CutsNeverSplitACharacter) {
  const std::string narrow = "a\xC3\xA9\xF0\x9F\x98\x80";  // a, e acute, an emoji
  const size_t narrowCuts[] = {0, 1, 1, 3, 3, 3, 3, 7, 7};
  for (size_t limit = 0; limit < std::size(narrowCuts); ++limit)
    EXPECT_EQ(platform::wholeCharacterCut(narrow, limit), narrowCuts[limit]) << limit;
  const std::u16string wide = u"a\xD83D\xDE00\x0062";  // a, an emoji, b
  const size_t wideCuts[] = {0, 1, 1, 3, 4, 4};
  for (size_t limit = 0; limit < std::size(wideCuts); ++limit)
    EXPECT_EQ(platform::wholeCharacterCut(wide, limit), wideCuts[limit]) << limit;
}

TEST(TextToolsTest, TrimsTheChosenSetAtTheChosenEnds) {
  using platform::TrimEnds;
  using platform::TrimSet;
  const std::string_view text = "\r\t a b \t\n";
  EXPECT_EQ(platform::trimmed(text, TrimSet::Controls), "a b");
  EXPECT_EQ(platform::trimmed(text, TrimSet::Blanks), "\r\t a b \t\n");
  EXPECT_EQ(platform::trimmed(std::string_view(" \ta b\t "), TrimSet::Blanks), "a b");
  EXPECT_EQ(platform::trimmed(text, TrimSet::Controls, TrimEnds::Start), "a b \t\n");
  EXPECT_EQ(platform::trimmed(text, TrimSet::Controls, TrimEnds::End), "\r\t a b");
  // The bytes of a UTF-8 sequence are never taken for control codes.
  EXPECT_EQ(platform::trimmed(std::string_view("\xC2\xA0"), TrimSet::Controls), "\xC2\xA0");
  EXPECT_EQ(platform::trimmed(std::u16string_view(u"\x1F\x3000x\x20"), TrimSet::Controls), u"\x3000x");
}

}  // namespace
