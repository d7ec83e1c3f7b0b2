#include "platform/CodePage.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::optional<std::u16string> wide;  // nullopt: malformed
};

TEST(CodePageTest, AnsiToWideFollowsWellFormedUtf8) {
  const Utf8Case cases[] = {
      {"empty", "", u""},
      {"ascii", "abc", u"abc"},
      {"two-byte", "\xC3\xA8", u"\u00E8"},
      {"three-byte", "\xE2\x82\xAC", u"\u20AC"},
      {"four-byte gives a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"overlong two-byte", "\xC0\xAF", std::nullopt},
      {"overlong three-byte", "\xE0\x80\xAF", std::nullopt},
      {"encoded surrogate", "\xED\xA0\x80", std::nullopt},
      {"above U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
      {"truncated sequence", "a\xE2\x82", std::nullopt},
      {"lone trail byte", "\x80", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ansiToWide(c.utf8), c.wide) << c.name;
    if (c.wide) {
      EXPECT_EQ(platform::wideToAnsi(*c.wide), c.utf8) << c.name;
      EXPECT_EQ(platform::wideLengthOfAnsi(c.utf8), c.wide->size()) << c.name;
      EXPECT_EQ(platform::ansiLengthOfWide(*c.wide), c.utf8.size()) << c.name;
    }
  }
}

TEST(CodePageTest, LoneSurrogatesAreMalformedOrReplaced) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  EXPECT_EQ(platform::wideToAnsi(lone), std::nullopt);
  EXPECT_EQ(platform::wideToAnsiLenient(lone), "a?b?");
  EXPECT_EQ(platform::ansiToWideLenient("x\xFFy"), u"x\uFFFDy");
}

// The decoder widens ASCII 16 bytes at a time: a character or a fault at
// every offset around a block, strict and lenient, into a buffer that is
// exactly large enough, one too small, or absent (counting only). Nothing is
// written past the capacity.
TEST(CodePageTest, DecodingAroundEveryBlockBoundaryWritesOnlyWithinCapacity) {
  struct Inset {
    const char* name;
    std::string bytes;
    std::u16string wide;  // lenient result
    bool wellFormed;
  };
  const Inset insets[] = {
      {"two-byte", "\xC3\xA9", u"\u00E9", true},
      {"four-byte", "\xF0\x9F\x98\x80", u"\U0001F600", true},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD", false},
      {"truncated three-byte", "\xE2\x82", u"\uFFFD", false},
  };
  constexpr char16_t kUntouched = 0x5A5A;
  for (const Inset& inset : insets) {
    for (size_t before = 0; before <= 33; ++before) {
      const size_t after = 33 - before;
      const std::string text = std::string(before, 'a') + inset.bytes + std::string(after, 'b');
      const std::u16string wide = std::u16string(before, u'a') + inset.wide + std::u16string(after, u'b');
      const std::string where = std::string(inset.name) + " after " + std::to_string(before);
      for (const bool strict : {false, true}) {
        const size_t strictUnits = inset.wellFormed ? wide.size() : before;
        const size_t units = strict ? strictUnits : wide.size();
        EXPECT_EQ(platform::utf8ToUtf16(text, nullptr, 0, strict).units, units) << where;
        for (const size_t capacity : {wide.size(), wide.size() - 1}) {
          std::u16string out(wide.size() + 20, kUntouched);
          const platform::Utf8Decoded decoded = platform::utf8ToUtf16(text, out.data(), capacity, strict);
          EXPECT_EQ(decoded.units, units) << where;
          EXPECT_EQ(decoded.wellFormed, !strict || inset.wellFormed) << where;
          const size_t written = std::min(capacity, units);
          EXPECT_EQ(out.substr(0, written), wide.substr(0, written)) << where << ", capacity " << capacity;
          EXPECT_EQ(out.find_first_not_of(kUntouched, capacity), std::u16string::npos)
              << where << ", capacity " << capacity;
        }
      }
    }
  }
}

TEST(CodePageTest, Win32FormsSizeAndFail) {
  // -1 counts the terminator; size 0 asks for the size.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE2\x82\xAC", -1, nullptr, 0), 2);
  char16_t wide[4] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE2\x82\xAC", -1, wide, 4), 2);
  EXPECT_EQ(std::u16string(wide), u"\u20AC");
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xC0\xAF", 2, wide, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

  char narrow[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u00E8", -1, narrow, 8, nullptr, nullptr), 3);
  EXPECT_STREQ(narrow, "\xC3\xA8");

  // Lone or reversed surrogates: U+FFFD without the strict flag, a failure
  // with it. Sizes count the terminator (length -1).
  struct Case {
    const char* what;
    std::u16string text;
    DWORD flags;
    int size;
    std::string bytes;
  };
  const Case cases[] = {
      {"lone high and low", u"-\xD800-\xDBFF-", 0, 10, "-\xEF\xBF\xBD-\xEF\xBF\xBD-"},
      {"reversed pair", u"\xDC00\xD800", 0, 7, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"a pair", u"\xD83D\xDE00", 0, 5, "\xF0\x9F\x98\x80"},
      {"strict refuses", u"-\xD800-", WC_ERR_INVALID_CHARS, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, c.flags, c.text.c_str(), -1, nullptr, 0, nullptr, nullptr), c.size)
        << c.what;
    std::string out(16, '#');
    const int written = WideCharToMultiByte(CP_UTF8, c.flags, c.text.c_str(), -1, out.data(), 16, nullptr, nullptr);
    EXPECT_EQ(written, c.size) << c.what;
    if (c.size > 0) {
      EXPECT_EQ(out.substr(0, static_cast<size_t>(c.size) - 1), c.bytes) << c.what;
    }
  }
}

}  // namespace
