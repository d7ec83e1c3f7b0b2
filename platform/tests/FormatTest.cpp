#include "platform/Format.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace {

using platform::appendFormatted;
using platform::FormatArg;
using platform::FormatErrorKind;
using platform::formatText;

// Conversions where the Windows rules and the C library agree: the C library
// is the oracle.
TEST(FormatTest, AgreesWithTheCLibraryOnPortableConversions) {
  const double values[] = {0.0, -0.0, 1.0, -1.5, 0.1, 2.5, 123456.789, 1e-5, 1e21, 9.9999996, 5e-324};
  const char* floatFormats[] = {"%f",   "%.0f",   "%#.0f",    "%e",  "%.3E", "%g",      "%G",    "%#g",
                                "%.0g", "%12.4f", "%-12.2e|", "%+g", "% f",  "%010.3f", "%.17g", "%-+08.2f|"};
  for (const char* format : floatFormats) {
    for (const double value : values) {
      char expected[512];
      std::snprintf(expected, sizeof expected, format, value);
      EXPECT_EQ(formatText(format, value), expected) << format << " of " << value;
    }
  }
  const int ints[] = {0, 1, -1, 42, -42, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
  const char* intFormats[] = {"%d", "%i", "%5d", "%-5d|", "%05d", "%+d",   "% d",  "%.3d",    "%.0d", "%8.3d", "%u",
                              "%x", "%X", "%#x", "%#o",   "%o",   "%#.0o", "%08X", "%-#10x|", "%hd",  "%hhu"};
  for (const char* format : intFormats) {
    for (const int value : ints) {
      char expected[64];
      std::snprintf(expected, sizeof expected, format, value);
      EXPECT_EQ(formatText(format, value), expected) << format << " of " << value;
    }
  }
}

TEST(FormatTest, FollowsTheWindowsDialect) {
  struct Case {
    const char* name;
    std::string actual;
    std::string expected;
  };
  const int64_t big = 0x123456789LL;
  const Case cases[] = {
      {"%ld is 32-bit", formatText("%ld", int32_t{-5}), "-5"},
      {"%lu of -1 is 32-bit", formatText("%lu", -1), "4294967295"},
      {"%Ld is 64-bit", formatText("%Ld", big), "4886718345"},
      {"%I64d is 64-bit", formatText("%I64d", big), "4886718345"},
      {"%lld is 64-bit", formatText("%lld", -big), "-4886718345"},
      {"%I64X", formatText("%I64X", uint64_t{0xFFFFFFFFFFFFFFFF}), "FFFFFFFFFFFFFFFF"},
      {"%Lu", formatText("%Lu", std::numeric_limits<uint64_t>::max()), "18446744073709551615"},
      {"%Lf means double", formatText("%.2Lf", 2.5), "2.50"},
      {"%lf means double", formatText("%.1lf", 0.25), "0.2"},
      {"narrow %s", formatText("[%s]", "abc"), "[abc]"},
      {"narrow %S takes wide", formatText("[%S]", u"\u00E8t\u00E9"), "[\xC3\xA8t\xC3\xA9]"},
      {"%ls takes wide", formatText("%ls", u"w"), "w"},
      {"%hs takes narrow", formatText("%hs", "n"), "n"},
      {"%-6s|", formatText("%-6s|", "ab"), "ab    |"},
      {"%.2s", formatText("%.2s", "abcdef"), "ab"},
      {"%*.*s", formatText("%*.*s", 5, 2, "abc"), "   ab"},
      {"negative * width aligns left", formatText("%*d|", -4, 7), "7   |"},
      {"negative * precision is none", formatText("%.*f", -1, 1.0), "1.000000"},
      {"zero flag pads text too", formatText("%05s", "ab"), "000ab"},
      {"null string", formatText("%s", static_cast<const char*>(nullptr)), "(null)"},
      {"%c", formatText("%c%c", 'a', 66), "aB"},
      {"%C takes wide", formatText("%C", u'\u20AC'), "\xE2\x82\xAC"},
      {"%p is 16 upper-case digits", formatText("%p", reinterpret_cast<void*>(0xABCDEF)), "0000000000ABCDEF"},
      {"%%", formatText("100%% %5%"), "100% %"},
      {"infinity", formatText("%f %E", HUGE_VAL, -HUGE_VAL), "inf -INF"},
      {"nan", formatText("%g", std::nan("")), "nan"},
      {"embedded NUL is text", formatText(std::string_view("a\0b", 3)), std::string("a\0b", 3)},
      {"precision bounds an unterminated read", formatText("%.3s", std::string_view("xyz")), "xyz"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(FormatTest, WideFormatsTakeWideStringsAndNeverMistakeAUnitForSyntax) {
  EXPECT_EQ(formatText(u"[%s|%S|%hs|%ls]", u"w\u00E8", "n\xC3\xA8", "h", u"l"), u"[w\u00E8|n\u00E8|h|l]");
  EXPECT_EQ(formatText(u"%c%C%lc", u'\u00E8', 'n', u'\u20AC'), u"\u00E8n\u20AC");
  EXPECT_EQ(formatText(u"%5.1f|%-4d|%04X", 2.25, 7, 255u), u"  2.2|7   |00FF");
  // U+0125 and U+2564 end in the bytes of '%' and 'd': they are text.
  EXPECT_EQ(formatText(u"\u0125d\u2564 %d", 3), u"\u0125d\u2564 3");
  // A precision on converted text never cuts a character in two.
  EXPECT_EQ(formatText(u"%.1S", "\xF0\x9F\x98\x80"), u"");
  EXPECT_EQ(formatText("%.2S|", u"\u00E8\u00E8"), "\xC3\xA8|");
  EXPECT_EQ(formatText("%.1s", "\xC3\xA8"), "\xC3");  // same encoding: cut as given, like C
}

struct Rendered {
  std::string text;
  platform::FormatStatus status;
};

template <class... Args>
Rendered render(std::string_view format, const Args&... args) {
  Rendered rendered;
  rendered.status = appendFormatted<char>(rendered.text, format, args...);
  return rendered;
}

TEST(FormatTest, ReportsMismatchesAndStillRendersSafely) {
  struct Case {
    const char* name;
    Rendered rendered;
    FormatErrorKind error;
    size_t offset;
    std::string expected;
  };
  const Case cases[] = {
      {"well typed", render("%d %s", 1, "x"), FormatErrorKind::None, 0, "1 x"},
      {"missing argument", render("a%db%s", 1), FormatErrorKind::MissingArgument, 4, "a1b"},
      {"string for %d", render("%d|%3d|", 1, "s"), FormatErrorKind::ArgumentMismatch, 3, "1|   |"},
      {"integer for %f", render("%d %.1f", 1, 120), FormatErrorKind::ArgumentMismatch, 3, "1 120.0"},
      {"%n is refused", render("%d%n.", 1, nullptr), FormatErrorKind::BadDirective, 2, "1."},
      {"unknown conversion", render("%d %y %s", 1, "x"), FormatErrorKind::BadDirective, 3, "1 %y x"},
      {"percent at the end", render("%d %-", 1), FormatErrorKind::BadDirective, 3, "1 %-"},
      {"double for *", render("%*d", 2.0, 5), FormatErrorKind::ArgumentMismatch, 0, "5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.rendered.text, c.expected) << c.name;
    EXPECT_EQ(c.rendered.status.error, c.error) << c.name;
    EXPECT_EQ(c.rendered.status.offset, c.offset) << c.name;
  }

  std::string out;
  EXPECT_EQ(appendFormatted<char>(out, "%d", int64_t{1} << 40).error, FormatErrorKind::ValueTruncated);
  EXPECT_EQ(out, "0");
  out.clear();
  EXPECT_EQ(appendFormatted<char>(out, "%d %u", int64_t{-7}, uint64_t{0xFFFFFFFF}).error, FormatErrorKind::None);
  EXPECT_EQ(out, "-7 4294967295");
  out.clear();
  EXPECT_EQ(appendFormatted<char>(out, "%999999999d", 1).error, FormatErrorKind::FieldClamped);
  EXPECT_EQ(out.size(), size_t(platform::kMaxFormatField));
  out.clear();
  EXPECT_EQ(appendFormatted<char>(out, "%.99999f", 1.0).error, FormatErrorKind::FieldClamped);
  EXPECT_EQ(out.size(), size_t(platform::kMaxFormatField) + 2);
  out.clear();
  EXPECT_EQ(appendFormatted<char>(out, "%s", u"wide").error, FormatErrorKind::ArgumentMismatch);
  EXPECT_EQ(out, "wide");
}

TEST(FormatTest, CountsEverythingButWritesOnlyWithinTheCapacity) {
  const FormatArg args[] = {FormatArg::from(12345), FormatArg::from("tail")};
  platform::FormatOutput<char> count;  // no buffer: the counting pass
  ASSERT_TRUE(platform::formatArgs(count, "n=%d %s", args).ok());
  EXPECT_EQ(count.length, 12u);
  char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
  platform::FormatOutput<char> small{buffer, 5, 0};
  ASSERT_TRUE(platform::formatArgs(small, "n=%d %s", args).ok());
  EXPECT_EQ(small.length, 12u);
  EXPECT_EQ(std::string(buffer, 8), "n=123###");
}

std::string viaVarArgs(const char* format, ...) {
  va_list list;
  va_start(list, format);
  const std::vector<FormatArg> args = platform::collectVarArgs(format, list);
  va_end(list);
  std::string out;
  // Two passes over the same collected arguments give the same text.
  platform::FormatOutput<char> count;
  (void)platform::formatArgs(count, format, args);
  out.resize(count.length);
  platform::FormatOutput<char> write{out.data(), out.size(), 0};
  (void)platform::formatArgs(write, format, args);
  return out;
}

std::u16string viaWideVarArgs(const char16_t* format, ...) {
  va_list list;
  va_start(list, format);
  const std::vector<FormatArg> args = platform::collectVarArgs(format, list);
  va_end(list);
  std::u16string out;
  (void)platform::appendFormatted<char16_t>(out, format, 0);  // keeps the helper honest about Char
  out.clear();
  platform::FormatOutput<char16_t> count;
  (void)platform::formatArgs(count, format, args);
  out.resize(count.length);
  platform::FormatOutput<char16_t> write{out.data(), out.size(), 0};
  (void)platform::formatArgs(write, format, args);
  return out;
}

TEST(FormatTest, TakesCVariableArgumentsByTheConversionLetter) {
  EXPECT_EQ(viaVarArgs("%ld %Ld %I64u %hd %c %s %5.2f %*d %S %%", 7, 1LL << 40, 3ULL, 70000, 'z', "s", 2.5, 3, 4, u"w"),
            "7 1099511627776 3 4464 z s  2.50   4 w %");
  EXPECT_EQ(viaWideVarArgs(u"%s-%S-%c-%d", u"wide", "narrow", u'\u00E8', -3), u"wide-narrow-\u00E8--3");
  // %n takes its pointer and writes nothing.
  int untouched = 99;
  EXPECT_EQ(viaVarArgs("%d%n!", 5, &untouched), "5!");
  EXPECT_EQ(untouched, 99);
}

// Random formats against the C library, and random text against the engine's
// own invariants, under the sanitizers: no crash, no read of a wrong type, no
// write past the capacity, and both passes agree.
TEST(FormatTest, FuzzedFormatsStaySafeAndAgreeWithTheOracle) {
  std::mt19937 random(20261209);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char* flags[] = {"", "-", "+", " ", "#", "0", "-+", "0#", "+ "};
  int compared = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string format = "<";
    std::string field = std::string("%") + flags[pick(9)];
    if (pick(2)) field += std::to_string(pick(30));
    if (pick(2)) {
      field.push_back('.');
      field += std::to_string(pick(25));
    }
    char expected[512];
    std::string actual;
    switch (pick(4)) {
      case 0: {
        const int value = static_cast<int>(random());
        field += "diuxXo"[pick(6)];
        std::snprintf(expected, sizeof expected, (format + field + ">").c_str(), value);
        actual = formatText(format + field + ">", value);
        break;
      }
      case 1: {
        const long long value = static_cast<long long>((uint64_t{random()} << 32) | random());
        field += std::string("ll") + "diuxXo"[pick(6)];
        std::snprintf(expected, sizeof expected, (format + field + ">").c_str(), value);
        actual = formatText(format + field + ">", value);
        break;
      }
      case 2: {
        const double value = std::ldexp(static_cast<double>(static_cast<int32_t>(random())), pick(200) - 100);
        field += "eEfgG"[pick(5)];
        std::snprintf(expected, sizeof expected, (format + field + ">").c_str(), value);
        actual = formatText(format + field + ">", value);
        break;
      }
      default: {
        // No '0' flag on text: the Windows rules pad text with zeros, C does not.
        field = std::string("%") + (pick(2) ? "-" : "") + std::to_string(pick(12)) + (pick(2) ? ".3s" : "s");
        std::snprintf(expected, sizeof expected, (format + field + ">").c_str(), "text");
        actual = formatText(format + field + ">", "text");
        break;
      }
    }
    ASSERT_EQ(actual, expected) << format + field + ">";
    ++compared;
  }
  EXPECT_EQ(compared, 4000);

  const char alphabet[] = "%%%%-+ #0123456789.*hlLI64wdiuoxXcCsSeEfgGpn%y\xC3\xA8";
  for (int i = 0; i < 20000; ++i) {
    std::string format;
    for (int n = pick(24); n > 0; --n) format.push_back(alphabet[pick(sizeof alphabet - 1)]);
    std::vector<FormatArg> args;
    for (int n = pick(6); n > 0; --n) {
      switch (pick(7)) {
        case 0: args.push_back(FormatArg::from(static_cast<int32_t>(random()))); break;
        case 1: args.push_back(FormatArg::from(static_cast<uint64_t>(random()) << pick(40))); break;
        case 2: args.push_back(FormatArg::from(std::ldexp(1.0 * random(), pick(2000) - 1000))); break;
        case 3: args.push_back(FormatArg::from("str")); break;
        case 4: args.push_back(FormatArg::from(u"wide")); break;
        case 5: args.push_back(FormatArg::from(static_cast<const char*>(nullptr))); break;
        default: args.push_back(FormatArg::from(u'\xD800')); break;
      }
    }
    platform::FormatOutput<char> count;
    (void)platform::formatArgs(count, format, args);
    std::vector<char> buffer(count.length + 4, '\x7F');
    const size_t capacity = count.length / 2;
    platform::FormatOutput<char> half{buffer.data(), capacity, 0};
    (void)platform::formatArgs(half, format, args);
    ASSERT_EQ(half.length, count.length) << format;
    for (size_t k = capacity; k < buffer.size(); ++k) ASSERT_EQ(buffer[k], '\x7F') << format;

    const std::u16string wideFormat = platform::ansiToWideLenient(format);
    platform::FormatOutput<char16_t> wideCount;
    (void)platform::formatArgs(wideCount, wideFormat, args);
    std::u16string wide(wideCount.length, u'\0');
    platform::FormatOutput<char16_t> wideWrite{wide.data(), wide.size(), 0};
    (void)platform::formatArgs(wideWrite, wideFormat, args);
    ASSERT_EQ(wideWrite.length, wide.size()) << format;
  }
}

}  // namespace
