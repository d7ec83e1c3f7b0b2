#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "FactoryObjects.h"
#include "ScratchFolder.h"

#include "platform/FileSyscalls.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

using zefcorek::testing::make;

// Releases an interface at scope end.
template <typename Interface>
struct Held {
  explicit Held(Interface* object) : p(object) {}
  ~Held() {
    if (p) p->Release();
  }
  Interface* operator->() const { return p; }
  Interface* p;
};

// The three ways to read a file: unbuffered, buffered, buffered with a
// buffer of 0. Every line-reading case must give the same answers on all.
struct InputKind {
  const char* name;
  std::function<IFIOIStream*()> make;
};

const InputKind kInputKinds[] = {
    {"plain", [] { return make<IFIOIStream>(CLSID_IFIOIStreamImp); }},
    {"buffered", [] { return static_cast<IFIOIStream*>(make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp)); }},
    {"buffer 0",
     [] {
       auto* stream = make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp);
       stream->SetBufferSize(0);
       return static_cast<IFIOIStream*>(stream);
     }},
};

TEST(FileStreamTest, FactoryMakesEachStreamWithOneReference) {
  const std::pair<const char*, std::function<IStdInterface*()>> rows[] = {
      {"input", [] { return make<IFIOIStream>(CLSID_IFIOIStreamImp); }},
      {"buffered", [] { return make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp); }},
      {"output", [] { return make<IFIOOStream>(CLSID_IFIOOStreamImp); }},
  };
  for (const auto& [name, makeRow] : rows) {
    IStdInterface* object = makeRow();
    ASSERT_NE(object, nullptr) << name;
    EXPECT_EQ(object->GetRefCount(), 1) << name;
    EXPECT_EQ(object->AddRef(), 2u) << name;
    EXPECT_EQ(object->Release(), 1u) << name;
    EXPECT_EQ(object->Release(), 0u) << name;
  }
}

struct Line {
  std::u16string text;
  ZRESULT result;
};

struct LineCase {
  const char* what;
  std::string bytes;
  uint32_t capacity;
  uint32_t encodingKind;  // SetTextEncoding after Open; 0 keeps the detected one
  bool noMark;
  std::vector<Line> lines;
};

TEST(FileStreamTest, LineReadersAgreeOnEveryLineEndEncodingAndCapacity) {
  const std::string longLine(10000, 'x');
  const LineCase cases[] = {
      {"CR LF", "A\r\nB", 80, 0, false, {{u"A", 0}, {u"B", 0}, {u"", 0}}},
      {"LF CR is one line end", "A\n\rB", 80, 0, false, {{u"A", 0}, {u"B", 0}}},
      {"CR CR is two", "A\r\rB", 80, 0, false, {{u"A", 0}, {u"", 0}, {u"B", 0}}},
      {"LF LF is two", "A\n\nB\n", 80, 0, false, {{u"A", 0}, {u"", 0}, {u"B", 0}, {u"", 0}}},
      {"cut at capacity", "abcdef\n", 4, 0, false, {{u"abc", 1}, {u"def", 0}}},
      {"ANSI is UTF-8", "h\xC3\xA9\n", 80, 0, false, {{u"h\u00E9", 0}}},
      {"UTF-8 mark detected and skipped", "\xEF\xBB\xBFh\xC3\xA9\r\nz", 80, 0, false, {{u"h\u00E9", 0}, {u"z", 0}}},
      {"UTF-8 chosen on a file without mark", "\xE2\x82\xAC\n", 80, 2, true, {{u"\u20AC", 0}}},
      {"UTF-16LE mark alone", "\xFF\xFE", 80, 0, false, {{u"", 0}}},
      {"UTF-16LE lines", std::string("\xFF\xFEh\0i\0\r\0\n\0x\0", 12), 80, 0, false, {{u"hi", 0}, {u"x", 0}}},
      // A lone last byte cannot be decoded: it ends the text and is dropped.
      {"UTF-16LE odd last byte ends the text", std::string("a\0b", 3), 80, 1, true, {{u"a", 0}, {u"", 0}}},
      {"UTF-16LE odd last byte after a line end", std::string("a\0\n\0b", 5), 80, 1, true, {{u"a", 0}, {u"", 0}}},
      // The UTF-8 mark found at open gives way; UTF-16LE skips its own
      // two-byte mark length.
      {"mark found, UTF-16LE asked: switches", std::string("\xEF\xBB\xBF\0a\0", 6), 80, 1, false, {{u"\u00BFa", 0}}},
      {"malformed UTF-8 is the empty line", "\xC3(\nok", 80, 2, true, {{u"", 0}, {u"ok", 0}}},
      // A cut never splits a character: its lead byte moves to the next line.
      {"cut before a multibyte character", "ab\xE2\x82\xAC\n", 4, 2, true, {{u"ab", 1}, {u"\u20AC", 0}}},
      // No fixed conversion buffer: a long line comes back whole.
      {"line longer than any fixed buffer", longLine + "\n", 20000, 2, true, {{std::u16string(10000, u'x'), 0}}},
  };
  for (const auto& kind : kInputKinds) {
    for (const auto& test : cases) {
      ScratchFolder folder;
      Held<IFIOIStream> stream(kind.make());
      ASSERT_EQ(stream->SetName(folder.write("t.txt", test.bytes).c_str()), ZR_OK);
      ASSERT_EQ(stream->Open(FIO_SHARE_READ), ZR_OK) << kind.name << ": " << test.what;
      ASSERT_EQ(stream->SetTextEncoding(test.encodingKind, test.noMark), ZR_OK);
      std::vector<WCHAR> buffer(test.capacity);
      for (size_t i = 0; i < test.lines.size(); ++i) {
        uint32_t length = 99;
        const ZRESULT result = stream->ReadText(buffer.data(), test.capacity, &length);
        const std::u16string text(buffer.data());
        EXPECT_EQ(result, test.lines[i].result) << kind.name << ": " << test.what << ", line " << i;
        EXPECT_TRUE(text == test.lines[i].text) << kind.name << ": " << test.what << ", line " << i;
        EXPECT_EQ(length, text.size()) << kind.name << ": " << test.what << ", line " << i;
      }
    }
  }
}

// Every line of a stream until the data ends, with results and lengths.
std::vector<std::tuple<std::u16string, ZRESULT, uint32_t>> allLines(IFIOIStream* stream, uint32_t capacity) {
  std::vector<std::tuple<std::u16string, ZRESULT, uint32_t>> lines;
  std::vector<WCHAR> buffer(capacity);
  while (stream->AtEnd() == ZR_NO && lines.size() < 10000) {
    uint32_t length = 0;
    const ZRESULT result = stream->ReadText(buffer.data(), capacity, &length);
    lines.emplace_back(std::u16string(buffer.data()), result, length);
  }
  return lines;
}

// The buffered stream scans lines a window at a time; with tiny windows
// every line end, partner and cut falls on a refill boundary somewhere.
// The unbuffered stream, reading a byte at a time, is the oracle.
TEST(FileStreamTest, BufferedLinesAcrossWindowBoundariesMatchTheUnbufferedStream) {
  std::string text;
  const char* pieces[] = {"ab", "\r", "\n", "\r\n", "\n\r", "xyz", "\xC3\xA9", "\xE2\x82\xAC", "0123456789"};
  unsigned state = 12345;
  for (int i = 0; i < 400; ++i) {
    state = state * 1103515245 + 12345;
    text += pieces[(state >> 16) % std::size(pieces)];
  }
  ScratchFolder folder;
  const auto name = folder.write("w.txt", text);
  size_t comparedLines = 0;
  for (const uint32_t capacity : {2u, 5u, 64u}) {
    Held<IFIOIStream> plain(make<IFIOIStream>(CLSID_IFIOIStreamImp));
    plain->SetName(name.c_str());
    ASSERT_EQ(plain->Open(0), ZR_OK);
    plain->SetTextEncoding(2, true);
    const auto expected = allLines(plain.p, capacity);
    for (const uint32_t window : {1u, 2u, 3u, 7u, 64u}) {
      Held<IFIOIBufferedStream> buffered(make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp));
      ASSERT_EQ(buffered->SetBufferSize(window), ZR_OK);
      buffered->SetName(name.c_str());
      ASSERT_EQ(buffered->Open(0), ZR_OK);
      buffered->SetTextEncoding(2, true);
      const auto lines = allLines(buffered.p, capacity);
      EXPECT_TRUE(lines == expected) << "capacity " << capacity << ", window " << window;
      comparedLines += lines.size();
    }
  }
  EXPECT_GT(comparedLines, 1000u);  // the comparison really ran
}

// Long lines decoded straight out of the window: ASCII runs longer than a
// 16-byte block, characters of every length (four bytes give a surrogate
// pair), malformed and truncated sequences, cuts inside characters and an
// incomplete character at the very end, against the same oracle.
TEST(FileStreamTest, BufferedUtf8LinesDecodedInTheWindowMatchTheUnbufferedStream) {
  std::string text;
  const char* pieces[] = {"abcdefghijklmnopqrstuvwxyz0123456789",
                          "\r\n",
                          "\n",
                          "\r",
                          "q",
                          "\xC3\xA9",
                          "\xE2\x82\xAC",
                          "\xF0\x9F\x98\x80",
                          "\xC3(",
                          "\xE2\x82",
                          "\xED\xA0\x80",
                          "\xFF"};
  unsigned state = 777;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1103515245 + 12345;
    // Rare breaks and faults, so that most lines are long and well formed.
    const unsigned pick = (state >> 16) % 64;
    text += pieces[pick < 52 ? (pick % 2 == 0 ? 0 : 4 + pick % 4) : pick % std::size(pieces)];
  }
  text += "\xE2\x82";  // an incomplete character ends the file
  ScratchFolder folder;
  const auto name = folder.write("u.txt", text);
  for (const uint32_t capacity : {3u, 17u, 300u, 4096u}) {
    Held<IFIOIStream> plain(make<IFIOIStream>(CLSID_IFIOIStreamImp));
    plain->SetName(name.c_str());
    ASSERT_EQ(plain->Open(0), ZR_OK);
    plain->SetTextEncoding(FIO_TEXT_UTF8, true);
    const auto expected = allLines(plain.p, capacity);
    for (const uint32_t window : {16u, 301u, 4096u, 32768u}) {
      Held<IFIOIBufferedStream> buffered(make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp));
      ASSERT_EQ(buffered->SetBufferSize(window), ZR_OK);
      buffered->SetName(name.c_str());
      ASSERT_EQ(buffered->Open(0), ZR_OK);
      buffered->SetTextEncoding(FIO_TEXT_UTF8, true);
      EXPECT_TRUE(allLines(buffered.p, capacity) == expected) << "capacity " << capacity << ", window " << window;
    }
  }
}

TEST(FileStreamTest, OpenDetectsMarksAndEncodingChoicesFollowTheirFamily) {
  for (const auto& kind : kInputKinds) {
    ScratchFolder folder;
    Held<IFIOIStream> stream(kind.make());
    stream->SetName(folder.write("m.txt", "\xEF\xBB\xBFxy").c_str());
    // A choice made before Open does not survive it.
    EXPECT_EQ(stream->SetTextEncoding(1, true), ZR_OK);
    ASSERT_EQ(stream->Open(0), ZR_OK);
    EXPECT_EQ(stream->SetTextEncoding(2, true), ZR_OK);  // stays 3: the mark is skipped
    WCHAR line[8];
    EXPECT_EQ(stream->ReadText(line, 8, nullptr), ZR_OK);
    EXPECT_TRUE(std::u16string(line) == u"xy") << kind.name;
    EXPECT_EQ(stream->SetTextEncoding(3, false), ZR_BADARG);
    // Tiny files open as ANSI.
    for (const char* bytes : {"", "A"}) {
      stream->Close();
      stream->SetName(folder.write("s.txt", bytes).c_str());
      ASSERT_EQ(stream->Open(0), ZR_OK);
      uint32_t position = 7;
      EXPECT_EQ(stream->GetPosition(&position), ZR_OK);
      EXPECT_EQ(position, 0u);
    }
  }
}

TEST(FileStreamTest, InputStreamStatesSizesAndShortReads) {
  for (const auto& kind : kInputKinds) {
    ScratchFolder folder;
    Held<IFIOIStream> stream(kind.make());
    uint32_t value = 0;
    HANDLE handle = nullptr;
    char bytes[16];
    // Closed: no size, position, seek, read.
    EXPECT_EQ(stream->IsClosed(), ZR_NO);
    EXPECT_EQ(stream->GetSize(&value), ZR_FAILED);
    EXPECT_EQ(stream->GetPosition(&value), ZR_FAILED);
    EXPECT_EQ(stream->SeekAbs(0), ZR_FAILED);
    EXPECT_EQ(stream->Read(bytes, 1, nullptr), ZR_FAILED);
    EXPECT_EQ(stream->Close(), ZR_FAILED);
    EXPECT_EQ(stream->GetHandle(&handle), ZR_OK);
    EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
    // Names: 259 characters fit, 260 do not.
    EXPECT_EQ(stream->SetName(std::u16string(259, u'n').c_str()), ZR_OK);
    EXPECT_EQ(stream->SetName(std::u16string(260, u'n').c_str()), ZR_BADARG);
    EXPECT_EQ(stream->SetName(nullptr), ZR_BADARG);
    EXPECT_EQ(stream->GetName(nullptr, nullptr), ZR_BADARG);
    EXPECT_EQ(stream->GetName(nullptr, &value), ZR_OK);
    EXPECT_EQ(value, 259u);
    // Missing files and folders do not open.
    stream->SetName(folder.name("missing").c_str());
    EXPECT_EQ(stream->Open(0), ZR_FAILED) << kind.name;
    stream->SetName(platform::windowsPath(folder.root()).c_str());
    EXPECT_EQ(stream->Open(0), ZR_FAILED) << kind.name;

    stream->SetName(folder.write("d.bin", "0123456789").c_str());
    ASSERT_EQ(stream->Open(0), ZR_OK);
    EXPECT_EQ(stream->Open(0), ZR_FAILED);  // already open
    EXPECT_EQ(stream->GetSize(&value), ZR_OK);
    EXPECT_EQ(value, 10u);
    EXPECT_EQ(stream->SeekAbs(6), ZR_OK);
    uint32_t read = 0;
    EXPECT_EQ(stream->Read(bytes, 10, &read), ZR_OK) << kind.name;
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(stream->SeekAbs(6), ZR_OK);
    EXPECT_EQ(stream->Read(bytes, 10, nullptr), ZR_FAILED) << kind.name;
    EXPECT_EQ(stream->AtEnd(), ZR_OK);
    EXPECT_EQ(stream->HasBytes(0), ZR_NO);  // nothing left, not even nothing
    EXPECT_EQ(stream->SeekRel(-3), ZR_OK);
    EXPECT_EQ(stream->HasBytes(3), ZR_OK);
    EXPECT_EQ(stream->HasBytes(4), ZR_NO);
    EXPECT_EQ(stream->AtEnd(), ZR_NO);
    EXPECT_EQ(stream->Close(), ZR_OK);
    EXPECT_EQ(stream->IsClosed(), ZR_NO);
    ASSERT_EQ(stream->Open(0), ZR_OK);  // reopening is allowed
    EXPECT_EQ(stream->IsClosed(), ZR_OK);
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&handle)), ZR_NOTSUPPORTED);
  }
}

TEST(FileStreamTest, BufferedStreamServesSeeksInsideItsWindowWithoutThePlatform) {
  ScratchFolder folder;
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  Held<IFIOIBufferedStream> stream(make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp));
  uint32_t size = 0;
  EXPECT_EQ(stream->GetBufferSize(&size), ZR_OK);
  EXPECT_EQ(size, 32768u);
  EXPECT_EQ(stream->SetBufferSize(2000000), ZR_OK);
  stream->GetBufferSize(&size);
  EXPECT_EQ(size, 1048576u);
  EXPECT_EQ(stream->SetBufferSize(32768), ZR_OK);
  stream->SetName(folder.write("big.bin", data).c_str());
  ASSERT_EQ(stream->Open(0), ZR_OK);
  EXPECT_EQ(stream->SetBufferSize(100), ZR_FAILED);

  static int platformReads;
  platformReads = 0;
  platform::ScopedFileSyscalls restore;
  platform::fileSyscalls().read = [](int fd, void* buffer, size_t count) -> ssize_t {
    ++platformReads;
    return platform::defaultFileSyscalls().read(fd, buffer, count);
  };
  char first[10], again[10];
  EXPECT_EQ(stream->Read(first, 10, nullptr), ZR_OK);
  EXPECT_EQ(stream->SeekRel(-10), ZR_OK);
  EXPECT_EQ(stream->Read(again, 10, nullptr), ZR_OK);
  EXPECT_EQ(std::string(first, 10), std::string(again, 10));
  EXPECT_EQ(platformReads, 0);

  char piece[100];
  EXPECT_EQ(stream->Read(piece, 90, nullptr), ZR_OK);
  EXPECT_EQ(stream->SeekRel(50000), ZR_OK);  // outside the window
  uint32_t position = 0;
  EXPECT_EQ(stream->GetPosition(&position), ZR_OK);
  EXPECT_EQ(position, 50100u);
  EXPECT_EQ(stream->Read(piece, 100, nullptr), ZR_OK);
  EXPECT_EQ(std::string(piece, 100), data.substr(50100, 100));
  // Reads across refills return the file's bytes.
  EXPECT_EQ(stream->SeekAbs(30000), ZR_OK);
  std::string across(40000, '\0');
  EXPECT_EQ(stream->Read(across.data(), 40000, nullptr), ZR_OK);
  EXPECT_EQ(across, data.substr(30000, 40000));
  IFIOROMemMapping* mapping = nullptr;
  EXPECT_EQ(stream->CreateROMemMapping(&mapping), ZR_NOTSUPPORTED);
  IStream* com = nullptr;
  EXPECT_EQ(stream->CreateCOMStream(&com), ZR_NOTSUPPORTED);
}

TEST(FileStreamTest, PlatformReadFailuresAreReportedNotTakenForText) {
  ScratchFolder folder;
  std::string data(70000, 'a');
  data[40000] = '\n';
  for (const auto& kind : kInputKinds) {
    Held<IFIOIStream> stream(kind.make());
    stream->SetName(folder.write("f.txt", data).c_str());
    ASSERT_EQ(stream->Open(0), ZR_OK);
    platform::ScopedFileSyscalls restore;
    platform::fileSyscalls().read = [](int, void*, size_t) -> ssize_t {
      errno = EIO;
      return -1;
    };
    // A whole line must come from the disk: every kind runs out of bytes
    // and answers 2 instead of a short line.
    std::vector<WCHAR> line(50000);
    EXPECT_EQ(stream->ReadText(line.data(), 50000, nullptr), ZR_FAILED) << kind.name;
    uint32_t position = 0;
    EXPECT_EQ(stream->GetPosition(&position), ZR_OK);
    EXPECT_LT(position, 40000u) << kind.name;
  }
}

// A read-only COM stream over bytes in memory, counting its references.
class MemoryStream final : public IStream {
public:
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    const size_t n = std::min<size_t>(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    if (read) *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    const size_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? position_ : bytes_.size();
    position_ = base + static_cast<size_t>(move.QuadPart);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
  }
  HRESULT SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }
  ULONG references = 1;

private:
  std::string bytes_;
  size_t position_ = 0;
};

TEST(FileStreamTest, BufferedStreamReadsAnAttachedComStream) {
  MemoryStream source(
      std::string("\xEF\xBB\xBF"
                  "one\r\ntwo",
                  11));
  {
    Held<IFIOIBufferedStream> stream(make<IFIOIBufferedStream>(CLSID_IFIOIBufferedStreamImp));
    EXPECT_EQ(stream->AttachStream(&source), ZR_OK);
    EXPECT_EQ(source.references, 2u);
    EXPECT_EQ(stream->IsClosed(), ZR_OK);
    HANDLE handle = INVALID_HANDLE_VALUE;
    EXPECT_EQ(stream->GetHandle(&handle), ZR_FAILED);
    EXPECT_EQ(handle, nullptr);
    uint32_t size = 0;
    EXPECT_EQ(stream->GetSize(&size), ZR_OK);
    EXPECT_EQ(size, 11u);
    // No mark detection on a stream: the caller chooses the encoding.
    EXPECT_EQ(stream->SetTextEncoding(2, false), ZR_OK);
    WCHAR line[16];
    EXPECT_EQ(stream->ReadText(line, 16, nullptr), ZR_OK);
    EXPECT_TRUE(std::u16string(line) == u"one");
    EXPECT_EQ(stream->ReadText(line, 16, nullptr), ZR_OK);
    EXPECT_TRUE(std::u16string(line) == u"two");
    // Outside the window there is nothing to seek on.
    EXPECT_EQ(stream->SeekAbs(100000), ZR_FAILED);
  }
  EXPECT_EQ(source.references, 1u);  // released with the stream
}

}  // namespace
