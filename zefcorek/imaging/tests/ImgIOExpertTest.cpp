#include "zefcorek/ImgIOExpertImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One call that reached a fake handler.
struct HandlerCall {
  std::string handler;
  int row;  // index into kRows
  uint32_t formatId;
  std::u16string path;
};
std::vector<HandlerCall> calls;

std::u16string textOf(const WCHAR* text) { return text ? std::u16string(text) : u""; }

template <int Row>
int32_t fakeLoadFromFile(IImgIOExpert*, const WCHAR* path, IRasterImage**) {
  calls.push_back({"LoadFromFile", Row, 0, textOf(path)});
  return 0;
}
template <int Row>
int32_t fakeGetInfo(IImgIOExpert*, const WCHAR* path, void*) {
  calls.push_back({"GetInfo", Row, 0, textOf(path)});
  return 0;
}
template <int Row>
int32_t fakeSaveToFile(IImgIOExpert*, IImgSaver*, uint32_t formatId, const WCHAR* path, IRasterImage*) {
  calls.push_back({"SaveToFile", Row, formatId, textOf(path)});
  return 0;
}
template <int Row>
int32_t fakeLoadFromStream(IImgIOExpert*, uint32_t formatId, uint32_t, IFIOIStream*, IRasterImage**) {
  calls.push_back({"LoadFromStream", Row, formatId, u""});
  return 0;
}
template <int Row>
int32_t fakeSaveToStream(IImgIOExpert*, IImgSaver*, uint32_t formatId, IFIOOStream*, IRasterImage*) {
  calls.push_back({"SaveToStream", Row, formatId, u""});
  return 0;
}
int32_t fakeGetMetadata(IImgIOExpert*, const WCHAR* path, ITaggedValSet**) {
  calls.push_back({"GetMetadata", 1, 0, textOf(path)});
  return 0;
}

// The library's five formats, in the order they are registered.
struct RowData {
  const char16_t* description;
  std::vector<uint32_t> ids;
  std::vector<const char16_t*> extensions;
};
const RowData kRows[] = {
    {u"Windows Bitmap (*.bmp)", {2}, {u"bmp"}},
    {u"JPEG/JFIF (*.jpg,*.jif,*.jpeg)", {5, 6}, {u"jpg", u"jif", u"jpeg"}},
    {u"Tagged Image File Format (*.tif,*.tiff)", {4}, {u"tif", u"tiff"}},
    {u"Portable Network Graphics (*.png)", {14}, {u"png"}},
    {u"Truevision Targa (*.tga)", {7}, {u"tga"}},
};
enum RowIndex { kBmp, kJpeg, kTiff, kPng, kTarga };

ImgFormatInfo makeRow(const RowData& data) {
  ImgFormatInfo row{};
  row.cbSize = sizeof row;
  std::fill(std::begin(row.FormatIds), std::end(row.FormatIds), kImgUnusedFormatId);
  std::copy(data.ids.begin(), data.ids.end(), row.FormatIds);
  std::char_traits<char16_t>::copy(row.Description, data.description,
                                   std::char_traits<char16_t>::length(data.description));
  row.ExtCount = static_cast<uint32_t>(data.extensions.size());
  for (size_t index = 0; index < data.extensions.size(); ++index) {
    std::char_traits<char16_t>::copy(row.Extensions[index], data.extensions[index],
                                     std::char_traits<char16_t>::length(data.extensions[index]));
  }
  row.Flags = kImgFormatCanLoad | kImgFormatCanSave;
  return row;
}

template <int Row>
ImgFormatInfo fakeRow() {
  ImgFormatInfo row = makeRow(kRows[Row]);
  row.LoadFromFile = fakeLoadFromFile<Row>;
  row.GetInfo = fakeGetInfo<Row>;
  row.GetMetadata = Row == kJpeg ? fakeGetMetadata : nullptr;
  row.SaveToFile = fakeSaveToFile<Row>;
  row.LoadFromStream = fakeLoadFromStream<Row>;
  row.SaveToStream = fakeSaveToStream<Row>;
  return row;
}

ImgFormatInfo emptyRow() {
  ImgFormatInfo row{};
  row.cbSize = sizeof row;
  return row;
}

bool isZeroedRow(const ImgFormatInfo& row) {
  const ImgFormatInfo empty = emptyRow();
  return std::memcmp(&row, &empty, sizeof row) == 0;
}

class ImgIOExpertTest : public testing::Test {
protected:
  void SetUp() override {
    calls.clear();
    const ImgFormatInfo rows[] = {fakeRow<kBmp>(), fakeRow<kJpeg>(), fakeRow<kTiff>(), fakeRow<kPng>(),
                                  fakeRow<kTarga>()};
    for (const auto& row : rows) ASSERT_EQ(expert_->AddFormat(&row, nullptr), ZR_OK);
  }
  void TearDown() override {
    if (expert_) expert_->Release();
  }

  std::u16string descriptionAt(uint32_t index) {
    ImgFormatInfo row = emptyRow();
    if (expert_->GetFormatInfo(index, &row) != ZR_OK) return u"?";
    return row.Description;
  }

  IImgIOExpertImp* expert_ = new IImgIOExpertImp();
};

TEST_F(ImgIOExpertTest, ListsRowsByDescription) {
  uint32_t count = 0;
  ASSERT_EQ(expert_->GetFormatCount(&count), ZR_OK);
  ASSERT_EQ(count, 5u);
  const RowIndex order[] = {kJpeg, kPng, kTiff, kTarga, kBmp};
  for (uint32_t index = 0; index < 5; ++index) {
    EXPECT_EQ(descriptionAt(index), kRows[order[index]].description) << index;
  }
  EXPECT_EQ(expert_->GetFormatCount(nullptr), ZR_BADARG);
}

TEST_F(ImgIOExpertTest, FindsRowsByIdOrExtension) {
  const struct {
    const char* what;
    uint32_t formatId;
    const char16_t* path;
    ZRESULT expected;
    int row;  // -1: the out record must come back zeroed
  } cases[] = {
      {"upper-case extension in a full path", 0, u"C:\\x\\IMG.JPEG", ZR_OK, kJpeg},
      {"second id of a row", 6, nullptr, ZR_OK, kJpeg},
      {"neither id nor path", 0, nullptr, ZR_BADARG, -1},
      {"no extension", 0, u"C:\\x\\IMG", ZR_NO, -1},
      {"a lone dot", 0, u"C:\\x\\IMG.", ZR_NO, -1},
      {"the unused id never matches", 1, nullptr, ZR_NO, -1},
      {"an unknown id", 3, nullptr, ZR_NO, -1},
      {"an unknown extension", 0, u"a.gif", ZR_NO, -1},
      {"the id wins over the path", 14, u"a.bmp", ZR_OK, kPng},
      {"slashes read as backslashes", 0, u"C:/x.y/pic.Tif", ZR_OK, kTiff},
      {"the dot of a folder is no extension", 0, u"C:\\x.png\\pic", ZR_NO, -1},
      {"last extension of a row", 0, u"a.jif", ZR_OK, kJpeg},
  };
  for (const auto& row : cases) {
    for (bool byPath : {false, true}) {
      ImgFormatInfo out = emptyRow();
      out.Flags = 0xDEAD;  // must be zeroed by the lookup
      const ZRESULT result = byPath ? expert_->FindFormatByPath(row.formatId, row.path, &out)
                                    : expert_->FindFormatByExt(row.formatId, row.path, &out);
      const std::string where = std::string(row.what) + (byPath ? " (by path)" : " (by ext)");
      EXPECT_EQ(result, row.expected) << where;
      if (row.row < 0) {
        if (row.expected != ZR_BADARG) {
          EXPECT_TRUE(isZeroedRow(out)) << where;
        }
        continue;
      }
      EXPECT_EQ(std::u16string(out.Description), kRows[row.row].description) << where;
      EXPECT_NE(out.SaveToFile, nullptr) << where;
    }
  }
  ImgFormatInfo wrongSize = emptyRow();
  wrongSize.cbSize -= 1;
  EXPECT_EQ(expert_->FindFormatByExt(5, nullptr, &wrongSize), ZR_BADARG);
  EXPECT_EQ(expert_->FindFormatByExt(5, nullptr, nullptr), ZR_BADARG);
}

TEST_F(ImgIOExpertTest, RowAccessChecksIndexAndSize) {
  ImgFormatInfo out = emptyRow();
  out.Flags = 7;
  EXPECT_EQ(expert_->GetFormatInfo(5, &out), ZR_BADARG);
  EXPECT_TRUE(isZeroedRow(out));
  ImgFormatInfo shortRecord = emptyRow();
  shortRecord.cbSize = sizeof(ImgFormatInfo) - 1;
  EXPECT_EQ(expert_->GetFormatInfo(0, &shortRecord), ZR_BADARG);
  EXPECT_EQ(expert_->SetFormatInfo(0, &shortRecord), ZR_BADARG);
  EXPECT_EQ(expert_->AddFormat(&shortRecord, nullptr), ZR_BADARG);

  // A changed row keeps its place: the list is not sorted again.
  ImgFormatInfo renamed = fakeRow<kJpeg>();
  std::char_traits<char16_t>::copy(renamed.Description, u"ZZZ", 4);
  ASSERT_EQ(expert_->SetFormatInfo(0, &renamed), ZR_OK);
  EXPECT_EQ(descriptionAt(0), u"ZZZ");

  // A pointer the list does not hold, then a stored row reached by its node.
  EXPECT_EQ(expert_->RemoveFormat(&renamed), ZR_FAILED);
  IPtrList::Node* node = nullptr;
  const ImgFormatInfo extra = fakeRow<kPng>();
  ASSERT_EQ(expert_->AddFormat(&extra, &node), ZR_OK);
  ASSERT_NE(node, nullptr);
  // The insertion walks the list as it stands: the new row stops at the
  // first row that sorts after it, the renamed one.
  EXPECT_EQ(descriptionAt(0), kRows[kPng].description);
  EXPECT_EQ(descriptionAt(1), u"ZZZ");

  // An expert without rows has no list yet.
  IImgIOExpertImp* empty = new IImgIOExpertImp();
  uint32_t count = 9;
  EXPECT_EQ(empty->GetFormatCount(&count), ZR_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(empty->GetFormatInfo(0, &out), ZR_FAILED);
  EXPECT_EQ(empty->SetFormatInfo(0, &extra), ZR_FAILED);
  EXPECT_EQ(empty->RemoveFormat(&extra), ZR_FAILED);
  EXPECT_EQ(empty->FindFormatByExt(5, nullptr, &out), ZR_NO);
  empty->Release();
}

TEST_F(ImgIOExpertTest, EqualDescriptionsKeepTheirOrderOfAdding) {
  ImgFormatInfo first = fakeRow<kPng>();
  ImgFormatInfo second = fakeRow<kPng>();
  first.FormatIds[1] = 100;
  second.FormatIds[1] = 200;
  // Case is ignored: the second sorts as equal to the first.
  std::char_traits<char16_t>::copy(second.Description, u"PORTABLE NETWORK GRAPHICS (*.PNG)", 34);
  ASSERT_EQ(expert_->AddFormat(&first, nullptr), ZR_OK);
  ASSERT_EQ(expert_->AddFormat(&second, nullptr), ZR_OK);
  // Rows 1..3 are now the original PNG row, first, second.
  ImgFormatInfo row = emptyRow();
  const uint32_t expectedSecondIds[] = {1, 100, 200};
  for (uint32_t index = 0; index < 3; ++index) {
    ASSERT_EQ(expert_->GetFormatInfo(1 + index, &row), ZR_OK);
    EXPECT_EQ(row.FormatIds[1], expectedSecondIds[index]) << index;
  }
}

TEST_F(ImgIOExpertTest, SharesOneLoaderAndOneSaver) {
  IImgLoader* first = nullptr;
  IImgLoader* second = nullptr;
  ASSERT_EQ(expert_->CreateLoader(&first), ZR_OK);
  const LONG count = first->GetRefCount();
  ASSERT_EQ(expert_->CreateLoader(&second), ZR_OK);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->GetRefCount(), count + 1);
  IImgSaver* saver = nullptr;
  ASSERT_EQ(expert_->CreateSaver(&saver), ZR_OK);
  EXPECT_EQ(expert_->CreateSaver(nullptr), ZR_BADARG);

  // QueryInterface answers "not supported" and leaves the out pointer.
  void* out = &calls;
  EXPECT_EQ(expert_->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &calls);
  EXPECT_EQ(first->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(saver->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &calls);
  EXPECT_EQ(expert_->LoadImage(u"a.jpg", 100, 100, 0, nullptr), ZR_NOTSUPPORTED);
  first->Release();
  second->Release();
  saver->Release();
}

// Streams for the loader and saver: a named and an unnamed input stream and
// an output stream, none of them opened (the fakes do not read).
template <typename Stream>
Stream* makeStream(const CLSID& classId) {
  void* made = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&classId, &made, 0), S_OK);
  return static_cast<Stream*>(made);
}

TEST_F(ImgIOExpertTest, LoaderDispatchesByExtensionOrId) {
  IImgLoader* loader = nullptr;
  ASSERT_EQ(expert_->CreateLoader(&loader), ZR_OK);
  IRasterImage* image = reinterpret_cast<IRasterImage*>(&calls);

  // The content is never looked at: no extension, no row.
  EXPECT_EQ(loader->LoadFromFile(u"C:\\pictures\\photo", &image), ZR_NO);
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(loader->LoadFromFile(u"C:\\pictures\\photo.TIFF", &image), ZR_OK);

  auto* unnamed = makeStream<IFIOIStream>(CLSID_IFIOIStreamImp);
  auto* named = makeStream<IFIOIStream>(CLSID_IFIOIStreamImp);
  ASSERT_EQ(named->SetName(u"C:\\scan.png"), ZR_OK);
  EXPECT_EQ(loader->LoadFromStream(0, 0, unnamed, &image), ZR_NO);
  EXPECT_EQ(loader->LoadFromStream(0, 0, named, &image), ZR_OK);
  EXPECT_EQ(loader->LoadFromStream(7, 0, unnamed, &image), ZR_OK);
  EXPECT_EQ(loader->LoadFromStream(0, 0, nullptr, &image), ZR_BADARG);

  ITaggedValSet* set = reinterpret_cast<ITaggedValSet*>(&calls);
  EXPECT_EQ(loader->GetImageMetadata(u"a.png", &set), ZR_FAILED);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(expert_->GetImageMetadata(u"a.jpeg", &set), ZR_OK);

  ImgFileInfo info{};
  info.cbSize = sizeof info;
  info.Width = 99;
  EXPECT_EQ(expert_->GetImageInfo(u"a.gif", &info), ZR_NO);
  EXPECT_EQ(info.cbSize, sizeof info);
  EXPECT_EQ(info.Width, 0u);
  EXPECT_EQ(expert_->GetImageInfo(u"a.tga", &info), ZR_OK);

  const std::vector<std::pair<std::string, int>> expected = {{"LoadFromFile", kTiff},
                                                             {"LoadFromStream", kPng},
                                                             {"LoadFromStream", kTarga},
                                                             {"GetMetadata", kJpeg},
                                                             {"GetInfo", kTarga}};
  ASSERT_EQ(calls.size(), expected.size());
  for (size_t index = 0; index < expected.size(); ++index) {
    EXPECT_EQ(calls[index].handler, expected[index].first) << index;
    EXPECT_EQ(calls[index].row, expected[index].second) << index;
  }
  EXPECT_EQ(calls[2].formatId, 7u) << "the stream handler gets the caller's id";
  unnamed->Release();
  named->Release();
  loader->Release();
}

TEST_F(ImgIOExpertTest, SaverPicksTheRowByIdFirstAndPassesItsFirstId) {
  IImgSaver* saver = nullptr;
  ASSERT_EQ(expert_->CreateSaver(&saver), ZR_OK);
  IRasterImage* image = reinterpret_cast<IRasterImage*>(&calls);
  auto* stream = makeStream<IFIOOStream>(CLSID_IFIOOStreamImp);

  EXPECT_EQ(saver->SaveToFile(6, u"a.bmp", image), ZR_OK);
  EXPECT_EQ(saver->SaveToFile(0, u"a.tiff", image), ZR_OK);
  EXPECT_EQ(saver->SaveToFile(0, u"a.gif", image), ZR_NO);
  EXPECT_EQ(saver->SaveToFile(0, u"a.bmp", nullptr), ZR_BADARG);
  EXPECT_EQ(saver->SaveToStream(0, stream, image), ZR_BADARG);
  EXPECT_EQ(saver->SaveToStream(6, stream, image), ZR_OK);

  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].row, kJpeg);
  EXPECT_EQ(calls[0].formatId, 5u);
  EXPECT_EQ(calls[0].path, u"a.bmp");
  EXPECT_EQ(calls[1].row, kTiff);
  EXPECT_EQ(calls[1].formatId, 4u);
  EXPECT_EQ(calls[2].handler, "SaveToStream");
  EXPECT_EQ(calls[2].formatId, 5u);
  stream->Release();
  saver->Release();
}

TEST_F(ImgIOExpertTest, MissingHandlersAnswerFailed) {
  ImgFormatInfo bare = makeRow({u"Bare (*.bar)", {40}, {u"bar"}});
  ASSERT_EQ(expert_->AddFormat(&bare, nullptr), ZR_OK);
  IImgLoader* loader = nullptr;
  IImgSaver* saver = nullptr;
  ASSERT_EQ(expert_->CreateLoader(&loader), ZR_OK);
  ASSERT_EQ(expert_->CreateSaver(&saver), ZR_OK);
  IRasterImage* image = nullptr;
  ImgFileInfo info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(loader->LoadFromFile(u"x.bar", &image), ZR_FAILED);
  EXPECT_EQ(loader->GetImageInfo(u"x.bar", &info), ZR_FAILED);
  EXPECT_EQ(saver->SaveToFile(40, u"x", reinterpret_cast<IRasterImage*>(&info)), ZR_FAILED);
  EXPECT_TRUE(calls.empty());
  loader->Release();
  saver->Release();
}

TEST_F(ImgIOExpertTest, LoaderAndSaverKeptAfterTheExpertAnswerFailed) {
  IImgLoader* loader = nullptr;
  IImgSaver* saver = nullptr;
  ASSERT_EQ(expert_->CreateLoader(&loader), ZR_OK);
  ASSERT_EQ(expert_->CreateSaver(&saver), ZR_OK);
  expert_->Release();
  expert_ = nullptr;

  IRasterImage* image = nullptr;
  EXPECT_EQ(loader->LoadFromFile(u"a.jpg", &image), ZR_FAILED);
  ImgFileInfo info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(loader->GetImageInfo(u"a.jpg", &info), ZR_FAILED);
  EXPECT_EQ(saver->SaveToFile(5, u"a.jpg", reinterpret_cast<IRasterImage*>(&info)), ZR_FAILED);
  EXPECT_TRUE(calls.empty());
  loader->Release();
  saver->Release();
}

}  // namespace
