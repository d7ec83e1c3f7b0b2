#include "zefcorek/FileStreams.h"

#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/OleString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using zefcorek::testing::ScratchFolder;

template <typename Stream>
Stream* openStream(const CLSID& id, const std::u16string& name) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&id, &out, 0), S_OK);
  auto* stream = static_cast<Stream*>(out);
  EXPECT_EQ(stream->SetName(name.c_str()), ZR_OK);
  EXPECT_EQ(stream->Open(0), ZR_OK);
  return stream;
}

LARGE_INTEGER move(int64_t value) {
  LARGE_INTEGER m;
  m.QuadPart = value;
  return m;
}

TEST(StreamAdaptersTest, ReadOnlyMappingOutlivesItsCreator) {
  ScratchFolder folder;
  auto* stream = openStream<IFIOIStream>(CLSID_IFIOIStreamImp, folder.write("m.bin", "0123456789"));
  IFIOROMemMapping* mapping = nullptr;
  ASSERT_EQ(stream->CreateROMemMapping(&mapping), ZR_OK);
  stream->Release();  // the mapping keeps it alive
  uint32_t size = 0;
  EXPECT_EQ(mapping->GetSize(&size), ZR_OK);
  EXPECT_EQ(size, 10u);
  const void* data = nullptr;
  EXPECT_EQ(mapping->GetData(&data), ZR_OK);
  EXPECT_EQ(std::memcmp(data, "0123456789", 10), 0);
  char buffer[10] = {};
  struct Row {
    uint32_t offset, count;
    ZRESULT expected;
  };
  const Row rows[] = {{0, 10, ZR_OK}, {4, 0, ZR_OK}, {9, 1, ZR_OK}, {10, 0, ZR_BADARG}, {9, 2, ZR_BADARG}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.offset << "+" << row.count);
    EXPECT_EQ(mapping->ReadAt(row.offset, buffer, row.count), row.expected);
  }
  EXPECT_EQ(buffer[0], '9');
  EXPECT_EQ(mapping->ReadAt(0, nullptr, 1), ZR_BADARG);
  EXPECT_EQ(mapping->SetUserValue(63, 7), ZR_OK);
  EXPECT_EQ(mapping->SetUserValue(64, 7), ZR_BADARG);
  uint32_t value = 0;
  EXPECT_EQ(mapping->GetUserValue(63, &value), ZR_OK);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(mapping->GetUserValue(64, &value), ZR_BADARG);
  void* out = &out;
  EXPECT_EQ(mapping->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(mapping->Release(), 0u);
}

TEST(StreamAdaptersTest, InputAdapter) {
  ScratchFolder folder;
  const std::string content(130, 'c');
  auto* stream = openStream<IFIOIStream>(CLSID_IFIOIStreamImp, folder.write("in.bin", content));
  IStream* adapter = nullptr;
  ASSERT_EQ(stream->CreateCOMStream(&adapter), ZR_OK);
  void* out = &out;
  EXPECT_EQ(adapter->QueryInterface(IID_IStream, &out), E_FAIL);
  EXPECT_EQ(out, nullptr);

  ULARGE_INTEGER position{};
  EXPECT_EQ(adapter->Seek(move(0), STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 130u);
  EXPECT_EQ(adapter->Seek(move(-10), STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 120u);
  EXPECT_EQ(adapter->Seek(move(100), STREAM_SEEK_SET, nullptr), S_OK);
  char buffer[100];
  ULONG read = 0;
  EXPECT_EQ(adapter->Read(buffer, 100, &read), S_OK);  // 30 before the end
  EXPECT_EQ(read, 30u);
  EXPECT_EQ(adapter->Seek(move(5), 9, &position), E_FAIL);
  EXPECT_EQ(adapter->Write(buffer, 1, nullptr), E_NOTIMPL);
  EXPECT_EQ(adapter->Commit(0), E_NOTIMPL);

  STATSTG stat;
  ASSERT_EQ(adapter->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  ASSERT_NE(stat.pwcsName, nullptr);
  EXPECT_EQ(std::u16string(stat.pwcsName), folder.name("in.bin"));
  CoTaskMemFree(stat.pwcsName);
  EXPECT_EQ(stat.type, STGTY_STREAM);
  EXPECT_EQ(stat.cbSize.QuadPart, 130u);
  EXPECT_EQ(stat.grfMode, STGM_SHARE_DENY_WRITE);
  EXPECT_EQ(stat.grfLocksSupported, LOCK_EXCLUSIVE);
  EXPECT_NE(stat.mtime.dwLowDateTime | stat.mtime.dwHighDateTime, 0u);
  ASSERT_EQ(adapter->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.pwcsName, nullptr);

  // A clone shares the stream's position.
  IStream* clone = nullptr;
  ASSERT_EQ(adapter->Clone(&clone), S_OK);
  ASSERT_EQ(clone->Seek(move(7), STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(adapter->Seek(move(0), STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 7u);
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(adapter->Release(), 0u);
  EXPECT_EQ(stream->GetRefCount(), 1);  // adapters hold no reference
  stream->Release();
}

TEST(StreamAdaptersTest, OutputAdapter) {
  ScratchFolder folder;
  auto* stream = openStream<IFIOOStream>(CLSID_IFIOOStreamImp, folder.name("out.bin"));
  IStream* adapter = nullptr;
  ASSERT_EQ(stream->CreateCOMStream(&adapter), ZR_OK);
  ULONG written = 9;
  EXPECT_EQ(adapter->Write("hello", 5, &written), S_OK);
  EXPECT_EQ(written, 5u);
  ULARGE_INTEGER position{};
  EXPECT_EQ(adapter->Seek(move(0), STREAM_SEEK_END, &position), E_FAIL);
  EXPECT_EQ(adapter->Seek(move(1), STREAM_SEEK_SET, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 1u);
  STATSTG stat;
  EXPECT_EQ(adapter->Stat(&stat, STATFLAG_DEFAULT), E_NOTIMPL);
  IStream* reader = nullptr;
  ASSERT_EQ(adapter->Clone(&reader), S_OK);  // a reading adapter
  char buffer[4] = {};
  ULONG read = 0;
  EXPECT_EQ(reader->Read(buffer, 4, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "ello");
  EXPECT_EQ(reader->Write("x", 1, nullptr), E_NOTIMPL);
  reader->Release();
  adapter->Release();
  stream->Close();
  stream->Release();
  EXPECT_EQ(folder.read("out.bin"), "hello");
}

TEST(StreamAdaptersTest, BufferedStreamReadsThroughAnAdapter) {
  ScratchFolder folder;
  auto* file = openStream<IFIOIStream>(CLSID_IFIOIStreamImp, folder.write("lines.txt", "first\r\nsecond\r\n"));
  IStream* adapter = nullptr;
  ASSERT_EQ(file->CreateCOMStream(&adapter), ZR_OK);
  void* out = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, &out, 0), S_OK);
  auto* buffered = static_cast<IFIOIBufferedStream*>(out);
  ASSERT_EQ(buffered->AttachStream(adapter), ZR_OK);
  adapter->Release();  // the buffered stream holds its own reference
  WCHAR line[32];
  uint32_t length = 0;
  ASSERT_EQ(buffered->ReadText(line, 32, &length), ZR_OK);
  EXPECT_EQ(std::u16string(line, length), u"first");
  ASSERT_EQ(buffered->ReadText(line, 32, &length), ZR_OK);
  EXPECT_EQ(std::u16string(line, length), u"second");
  EXPECT_EQ(buffered->ReleaseStream(), ZR_OK);
  buffered->Release();
  file->Release();
}

}  // namespace
