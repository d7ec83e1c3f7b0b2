#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "ScratchFolder.h"

#include "platform/FileSyscalls.h"

#include <gtest/gtest.h>

namespace {

using zefcorek::testing::ScratchFolder;

// A fresh output stream named `name`, released at scope end.
class OutputStream {
public:
  explicit OutputStream(const std::u16string& name) {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &out, 0), S_OK);
    stream_ = static_cast<IFIOOStream*>(out);
    EXPECT_EQ(stream_->SetName(name.c_str()), ZR_OK);
  }
  ~OutputStream() { stream_->Release(); }
  IFIOOStream* operator->() const { return stream_; }
  IFIOOStream* get() const { return stream_; }

private:
  IFIOOStream* stream_ = nullptr;
};

TEST(FileOutputStreamTest, OpenFlagsChooseTheDisposition) {
  struct Case {
    const char* what;
    uint32_t flags;
    bool exists;
    ZRESULT result;
    uint32_t position;
    const char* contentAfterWrite;  // after writing "+" at the position; nullptr: no file
  };
  const Case cases[] = {
      {"0 empties an existing file", 0, true, ZR_OK, 0, "+"},
      {"0 creates a missing file", 0, false, ZR_OK, 0, "+"},
      {"1 opens an existing file at its start", 1, true, ZR_OK, 0, "+ld"},
      {"1 does not create", 1, false, ZR_FAILED, 0, nullptr},
      {"2 appends to an existing file", 2, true, ZR_OK, 3, "old+"},
      {"2 creates a missing file", 2, false, ZR_OK, 0, "+"},
  };
  for (const auto& test : cases) {
    ScratchFolder folder;
    const auto name = test.exists ? folder.write("o.txt", "old") : folder.name("o.txt");
    OutputStream stream(name);
    ASSERT_EQ(stream->Open(test.flags), test.result) << test.what;
    if (test.result == ZR_OK) {
      uint32_t position = 99;
      EXPECT_EQ(stream->GetPosition(&position), ZR_OK);
      EXPECT_EQ(position, test.position) << test.what;
      EXPECT_EQ(stream->Write("+", 1), ZR_OK);
    }
    EXPECT_EQ(folder.exists("o.txt"), test.contentAfterWrite != nullptr) << test.what;
    if (test.contentAfterWrite) {
      EXPECT_EQ(folder.read("o.txt"), test.contentAfterWrite) << test.what;
    }
  }
}

TEST(FileOutputStreamTest, KeptSizeFollowsSeeksWritesAndCuts) {
  ScratchFolder folder;
  OutputStream stream(folder.name("s.bin"));
  ASSERT_EQ(stream->Open(0), ZR_OK);
  uint32_t value = 0;
  // A seek past the end counts as size before anything is written.
  EXPECT_EQ(stream->SeekAbs(100), ZR_OK);
  EXPECT_EQ(stream->GetSize(&value), ZR_OK);
  EXPECT_EQ(value, 100u);
  EXPECT_EQ(stream->SetSize(10), ZR_OK);
  EXPECT_EQ(stream->GetSize(&value), ZR_OK);
  EXPECT_EQ(value, 10u);
  EXPECT_EQ(stream->GetPosition(&value), ZR_OK);
  EXPECT_EQ(value, 10u);
  EXPECT_EQ(folder.read("s.bin").size(), 10u);

  EXPECT_EQ(stream->SeekAbs(0), ZR_OK);
  const std::string fifty(50, 'x');
  EXPECT_EQ(stream->Write(fifty.data(), 50), ZR_OK);
  EXPECT_EQ(stream->GetSize(&value), ZR_OK);
  EXPECT_EQ(value, 50u);
  // A positioned write with restore comes back to where it was.
  EXPECT_EQ(stream->WriteAt(0, true, "AB", 2), ZR_OK);
  EXPECT_EQ(stream->GetPosition(&value), ZR_OK);
  EXPECT_EQ(value, 50u);
  EXPECT_EQ(folder.read("s.bin").substr(0, 3), "ABx");
  EXPECT_EQ(stream->WriteAt(48, false, "YZ!", 3), ZR_OK);
  EXPECT_EQ(stream->GetSize(&value), ZR_OK);
  EXPECT_EQ(value, 51u);
  EXPECT_EQ(stream->Flush(0), ZR_OK);
  EXPECT_EQ(stream->Write(nullptr, 1), ZR_BADARG);

  IFIOROMemMapping* mapping = nullptr;
  EXPECT_EQ(stream->CreateROMemMapping(&mapping), ZR_NOTSUPPORTED);
  EXPECT_EQ(stream->SetTextEncoding(1, false), ZR_NOTSUPPORTED);
  EXPECT_EQ(stream->Close(), ZR_OK);
  EXPECT_EQ(stream->Flush(0), ZR_NO);
  EXPECT_EQ(stream->Write("x", 1), ZR_FAILED);
}

TEST(FileOutputStreamTest, AFailedWriteLeavesTheKeptSize) {
  ScratchFolder folder;
  OutputStream stream(folder.name("f.bin"));
  ASSERT_EQ(stream->Open(0), ZR_OK);
  platform::ScopedFileSyscalls restore;
  platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_EQ(stream->Write("abc", 3), ZR_FAILED);
  uint32_t size = 9;
  EXPECT_EQ(stream->GetSize(&size), ZR_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(stream->WriteText(u"abc", -1), ZR_FAILED);
}

TEST(FileOutputStreamTest, TextWritersEndLinesWithCrLfAndConvertEveryCharacter) {
  struct Case {
    const char* what;
    std::u16string text;
    int32_t length;
    std::string byWriteText;
    std::string byWriteText2;
  };
  const Case cases[] = {
      {"no line break", u"abc", -1, "abc\r\n", "abc"},
      {"empty", u"", -1, "\r\n", ""},
      {"one LF between", u"A\nB", -1, "A\r\nB\r\n", "A\r\nB"},
      {"two LF between", u"A\n\nB", -1, "A\r\n\r\nB\r\n", "A\r\n\r\nB"},
      {"CR LF and a final LF", u"a\r\nb\n", -1, "a\r\nb\r\n", "a\r\nb\r\n"},
      {"LF CR is one line end", u"a\n\rb", -1, "a\r\nb\r\n", "a\r\nb"},
      {"length cuts the walk", u"ab\ncd", 4, "ab\r\nc\r\n", "ab\r\nc"},
      {"length ignored without line breaks", u"abcd", 2, "abcd\r\n", "abcd"},
      // Characters above U+007F are written in the ANSI code page in both
      // paths, never cut to their low byte.
      {"accents without line breaks", u"\u00E9\u20AC", -1, "\xC3\xA9\xE2\x82\xAC\r\n", "\xC3\xA9\xE2\x82\xAC"},
      {"accents with line breaks", u"\u00E9\n\u20AC", -1, "\xC3\xA9\r\n\xE2\x82\xAC\r\n", "\xC3\xA9\r\n\xE2\x82\xAC"},
      {"surrogate pair in the walk", u"\n\U0001F600", -1, "\r\n\xF0\x9F\x98\x80\r\n", "\r\n\xF0\x9F\x98\x80"},
  };
  for (const auto& test : cases) {
    for (const bool second : {false, true}) {
      ScratchFolder folder;
      OutputStream stream(folder.name("t.txt"));
      ASSERT_EQ(stream->Open(0), ZR_OK);
      const ZRESULT result = second ? stream->WriteText2(test.text.c_str(), test.length)
                                    : stream->WriteText(test.text.c_str(), test.length);
      EXPECT_EQ(result, ZR_OK) << test.what;
      stream->Close();
      EXPECT_EQ(folder.read("t.txt"), second ? test.byWriteText2 : test.byWriteText)
          << test.what << (second ? " (WriteText2)" : " (WriteText)");
    }
  }
}

TEST(FileOutputStreamTest, ReadTextGivesBytesAsCharacters) {
  ScratchFolder folder;
  OutputStream stream(folder.write("r.txt", "a\xE9\r\nlast"));
  ASSERT_EQ(stream->Open(1), ZR_OK);
  WCHAR line[16];
  uint32_t length = 0;
  EXPECT_EQ(stream->ReadText(line, 16, &length), ZR_OK);
  EXPECT_TRUE(std::u16string(line) == u"a\u00E9");
  EXPECT_EQ(stream->ReadText(line, 16, &length), ZR_NO);  // no line end: 1, also at the end
  EXPECT_TRUE(std::u16string(line) == u"last");
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(stream->ReadText(line, 1, &length), ZR_BADARG);
}

TEST(FileOutputStreamTest, LengthPrefixedStringsAreByteExact) {
  ScratchFolder folder;
  {
    OutputStream stream(folder.name("s.bin"));
    ASSERT_EQ(stream->Open(0), ZR_OK);
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), u"AB", -1), ZR_OK);
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), u"\u20ACxyz", 2), ZR_OK);
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), u"", -1), ZR_OK);
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), nullptr, -1), ZR_BADARG);
    // A text whose byte count does not fit the 16-bit prefix is refused
    // instead of writing a record that reads back wrong.
    const std::u16string tooLong(32768, u'x');
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), tooLong.c_str(), -1), ZR_BADARG);
    const std::u16string longest(32767, u'y');
    EXPECT_EQ(WriteUnicodeStrDotNet(stream.get(), longest.c_str(), -1), ZR_OK);
  }
  const std::string bytes = folder.read("s.bin");
  EXPECT_EQ(bytes.substr(0, 14), std::string("\x04\0A\0B\0\x04\0\xAC\x20x\0\0\0", 14));
  EXPECT_EQ(bytes.size(), 14u + 2 + 65534);

  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, &out, 0), S_OK);
  auto* in = static_cast<IFIOIBufferedStream*>(out);
  in->SetName(folder.name("s.bin").c_str());
  ASSERT_EQ(in->Open(0), ZR_OK);
  WCHAR text[40000];
  // A small buffer takes the start and skips the rest of the string.
  EXPECT_EQ(ReadUnicodeStrDotNet(in, text, 2), ZR_OK);
  EXPECT_TRUE(std::u16string(text) == u"A");
  EXPECT_EQ(ReadUnicodeStrDotNet(in, text, 40000), ZR_OK);
  EXPECT_TRUE(std::u16string(text) == u"\u20ACx");
  EXPECT_EQ(ReadUnicodeStrDotNet(in, text, 40000), ZR_OK);
  EXPECT_TRUE(std::u16string(text).empty());
  EXPECT_EQ(ReadUnicodeStrDotNet(in, text, 40000), ZR_OK);
  EXPECT_EQ(std::u16string(text), std::u16string(32767, u'y'));
  EXPECT_EQ(ReadUnicodeStrDotNet(in, text, 40000), ZR_NO);  // end of the stream
  in->Release();

  // Damaged records: an odd count, a count past the end.
  const std::pair<std::string, ZRESULT> damaged[] = {
      {std::string("\x03\0abc", 5), ZR_FAILED},
      {std::string("\x08\0ab", 4), ZR_NO},
      {std::string("\x00", 1), ZR_NO},
  };
  for (const auto& [record, expected] : damaged) {
    ScratchFolder other;
    void* raw = nullptr;
    zefCoreKAllocIntf(&CLSID_IFIOIStreamImp, &raw, 0);
    auto* stream = static_cast<IFIOIStream*>(raw);
    stream->SetName(other.write("d.bin", record).c_str());
    ASSERT_EQ(stream->Open(0), ZR_OK);
    EXPECT_EQ(ReadUnicodeStrDotNet(stream, text, 40000), expected);
    EXPECT_EQ(text[0], 0);
    stream->Release();
  }
}

}  // namespace
