// Streams over global memory and pictures decoded from them.
#include "platform/ComStream.h"
#include "platform/GdiPlusBitmap.h"
#include "platform/GlobalMemory.h"

#include "PngFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::IStream;
using platform::STG_E_INVALIDFUNCTION;
using platform::STREAM_SEEK_END;
using platform::STREAM_SEEK_SET;

IStream* streamOver(const std::vector<BYTE>& bytes, HGLOBAL& block) {
  block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  IStream* stream = nullptr;
  EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
  return stream;
}

TEST(GdiPlusBitmapTest, StreamsReadSeekAndGrow) {
  HGLOBAL block = nullptr;
  IStream* stream = streamOver({1, 2, 3, 4}, block);
  BYTE buffer[8] = {};
  ULONG read = 0;
  EXPECT_EQ(stream->Seek(1, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream->Read(buffer, 8, &read), S_OK);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_EQ(stream->Seek(-5, STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
  ULONG written = 0;
  EXPECT_EQ(stream->Write("xy", 2, &written), S_OK);
  EXPECT_EQ(GlobalSize(block), 6u);
  EXPECT_EQ(stream->Release(), 0u);
  EXPECT_EQ(GlobalFree(block), nullptr);  // the block was not the stream's
  EXPECT_EQ(CreateStreamOnHGlobal(reinterpret_cast<HGLOBAL>(0x1234), FALSE, &stream), E_INVALIDARG);
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
}

TEST(GdiPlusBitmapTest, PicturesLockAsArgbRows) {
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    HGLOBAL block = nullptr;
    IStream* stream = streamOver(platform::testing::pngPicture(4, 3, bpp), block);
    Gdiplus::Bitmap bitmap(stream);
    ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Status::Ok);
    EXPECT_EQ(bitmap.GetWidth(), 4u);
    EXPECT_EQ(bitmap.GetHeight(), 3u);
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect whole{0, 0, 4, 3};
    ASSERT_EQ(bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, Gdiplus::PixelFormat32bppARGB, &data),
              Gdiplus::Status::Ok);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        uint32_t word = 0;
        std::memcpy(&word, static_cast<BYTE*>(data.Scan0) + y * data.Stride + x * 4, 4);
        EXPECT_EQ(word, platform::testing::pngPixel(x, y, bpp)) << x << "," << y;
      }
    EXPECT_EQ(bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, Gdiplus::PixelFormat32bppARGB, &data),
              Gdiplus::Status::WrongState);
    EXPECT_EQ(bitmap.UnlockBits(&data), Gdiplus::Status::Ok);
    stream->Release();
    GlobalFree(block);
  }
  HGLOBAL block = nullptr;
  IStream* stream = streamOver({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, block);
  Gdiplus::Bitmap garbage(stream);
  EXPECT_NE(garbage.GetLastStatus(), Gdiplus::Status::Ok);
  stream->Release();
  GlobalFree(block);
}

}  // namespace
