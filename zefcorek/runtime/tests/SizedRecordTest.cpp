#include "zefcorek/SizedRecord.h"

#include "zefcorek/AnsiUnicode.h"
#include "zefcorek/MemAccessChecker.h"

#include "platform/MessageBox.h"
#include "platform/OleString.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

// A record buffer: cbSize in front, then bytes that start out as 0xAB.
struct RecordBytes {
  explicit RecordBytes(uint32_t cbSize) {
    bytes.fill(0xAB);
    std::memcpy(bytes.data(), &cbSize, 4);
  }
  uint32_t cbSize() const {
    uint32_t size;
    std::memcpy(&size, bytes.data(), 4);
    return size;
  }
  // Index of the first byte in [from, end) that differs from `value`, or end.
  size_t firstNot(uint8_t value, size_t end, size_t from = 4) const {
    for (size_t i = from; i < end; ++i) {
      if (bytes[i] != value) return i;
    }
    return end;
  }
  std::array<uint8_t, 64> bytes;
};

TEST(SizedRecordTest, InitZeroesWhatTheSizeCoversAndRefusesImplausibleSizes) {
  platform::RecordingMessageBoxes boxes;
  const struct {
    uint32_t cbSize;
    bool accepted;
  } cases[] = {
      {4, true},  // the size field alone: nothing to zero
      {24, true},
      {64, true},
      {0, false},           // never set
      {3, false},           // shorter than its own size field
      {0xCDCDCDCD, false},  // uninitialised memory
      {kMaxSizedRecordBytes + 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cbSize);
    RecordBytes record(c.cbSize);
    const size_t boxesBefore = boxes.count();
    DSStructInit(record.bytes.data());
    EXPECT_EQ(record.cbSize(), c.cbSize);
    if (c.accepted) {
      EXPECT_EQ(record.firstNot(0x00, c.cbSize), c.cbSize);
      EXPECT_EQ(record.firstNot(0xAB, 64, c.cbSize), 64u) << "wrote past cbSize";
      EXPECT_EQ(boxes.count(), boxesBefore);
      continue;
    }
    EXPECT_EQ(record.firstNot(0xAB, 64), 64u) << "wrote with a bad size";
    ASSERT_EQ(boxes.count(), boxesBefore + 1);
    const platform::MessageBoxRequest box = boxes.shown().back();
    EXPECT_EQ(box.text, u"DSStructInit(): exception detected. cbSize not correctly initialized?");
    EXPECT_EQ(box.caption, u"ZefCoreK.dll");
    EXPECT_EQ(box.type & 0xF0u, MB_ICONERROR);
  }
  DSStructInit(nullptr);
  EXPECT_EQ(boxes.count(), 5u);
}

TEST(SizedRecordTest, CopyTakesTheCommonPartAndKeepsTheDestinationSize) {
  const struct {
    uint32_t destinationSize;
    uint32_t sourceSize;
    size_t copied;  // bytes after the size field
  } cases[] = {
      {16, 24, 12},                          // newer caller, older callee
      {24, 16, 12},                          // the destination's tail stays as it was
      {24, 24, 20}, {4, 24, 0}, {2, 24, 0},  // a size below the size field copies nothing
      {24, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.destinationSize << " <- " << c.sourceSize);
    RecordBytes destination(c.destinationSize);
    RecordBytes source(c.sourceSize);
    for (size_t i = 4; i < source.bytes.size(); ++i) source.bytes[i] = 0x11;
    DSStructCopy(destination.bytes.data(), source.bytes.data());
    EXPECT_EQ(destination.cbSize(), c.destinationSize);
    EXPECT_EQ(destination.firstNot(0x11, 64), 4 + c.copied);
    EXPECT_EQ(destination.firstNot(0xAB, 64, 4 + c.copied), 64u);
  }
  DSStructCopy(nullptr, nullptr);
}

TEST(AnsiUnicodeTest, ConvertsWholeTextsIntoTaskMemory) {
  // Three bytes in UTF-8 for every unit: a buffer of two bytes per unit would
  // cut the text short.
  const std::u16string wide = u"\u20AC\u20AC\u20AC\u20AC";
  const std::string narrow = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC";

  char* ansi = nullptr;
  ASSERT_EQ(smUnicodeToAnsi(wide.c_str(), &ansi), S_OK);
  ASSERT_NE(ansi, nullptr);
  EXPECT_EQ(std::string(ansi), narrow);
  CoTaskMemFree(ansi);

  WCHAR* unicode = nullptr;
  ASSERT_EQ(smAnsiToUnicode(narrow.c_str(), &unicode), S_OK);
  ASSERT_NE(unicode, nullptr);
  EXPECT_EQ(std::u16string(unicode), wide);
  CoTaskMemFree(unicode);

  ASSERT_EQ(smAnsiToUnicode("", &unicode), S_OK);
  EXPECT_EQ(std::u16string(unicode), u"");
  CoTaskMemFree(unicode);
}

TEST(AnsiUnicodeTest, NullArguments) {
  int sentinel;
  auto* unicode = reinterpret_cast<WCHAR*>(&sentinel);
  EXPECT_EQ(smAnsiToUnicode(nullptr, &unicode), S_OK);
  EXPECT_EQ(unicode, nullptr);
  auto* ansi = reinterpret_cast<char*>(&sentinel);
  EXPECT_EQ(smUnicodeToAnsi(nullptr, &ansi), S_OK);
  EXPECT_EQ(ansi, nullptr);
  EXPECT_EQ(smAnsiToUnicode("x", nullptr), E_INVALIDARG);
  EXPECT_EQ(smUnicodeToAnsi(u"x", nullptr), E_INVALIDARG);
}

TEST(MemAccessCheckerTest, ChecksTheRangeAndNamesItInTheMessage) {
  // The range is the middle of a larger buffer, so that addresses on both
  // sides of it are valid to form.
  const char memory[32] = {};
  const char* block = memory + 8;
  const TMemAccessChecker checker("block", block, 16);
  EXPECT_NO_THROW(checker.MACByte(block));
  EXPECT_NO_THROW(checker.MACByte(block + 15));
  EXPECT_NO_THROW(checker.MACBytes(block, 16));
  EXPECT_NO_THROW(checker.MACBytes(block + 16, 0));
  EXPECT_NO_THROW(checker.MACBytes(block + 8, 8));

  const auto messageOf = [](auto check) -> std::string {
    try {
      check();
    } catch (const std::exception& error) {
      return error.what();
    }
    return "no exception";
  };
  EXPECT_EQ(messageOf([&] { checker.MACByte(block + 16); }), "block: MACByte check failed!");
  EXPECT_EQ(messageOf([&] { checker.MACByte(block - 1); }), "block: MACByte check failed!");
  EXPECT_EQ(messageOf([&] { checker.MACBytes(block + 8, 9); }), "block: MACBytes check failed!");
  EXPECT_EQ(messageOf([&] { checker.MACBytes(block + 1, 0xFFFFFFFFu); }), "block: MACBytes check failed!");

  // A long name is cut so that name and suffix fit 511 characters.
  const std::string longName(600, 'n');
  const TMemAccessChecker named(longName.c_str(), block, 16);
  const std::string message = messageOf([&] { named.MACByte(nullptr); });
  EXPECT_EQ(message, std::string(511, 'n'));
}

}  // namespace
