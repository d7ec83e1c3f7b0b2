#include "ImgIOProviderImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/MessageLoader.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ImgIOProviderTest : public testing::Test {
protected:
  void TearDown() override { provider_->Release(); }

  std::u16string descriptionOf(const char16_t* extension) {
    IImgIOExpert* expert = nullptr;
    EXPECT_EQ(provider_->GetExpert(&expert), ZR_OK);
    ImgFormatInfo row{};
    row.cbSize = sizeof row;
    const std::u16string path = std::u16string(u"a.") + extension;
    EXPECT_EQ(expert->FindFormatByExt(0, path.c_str(), &row), ZR_OK);
    expert->Release();
    return row.Description;
  }

  IFIImgIOProvider* provider_ = [] {
    void* made = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIImgIOProviderImp, &made, 0), S_OK);
    return static_cast<IFIImgIOProvider*>(made);
  }();
};

TEST_F(ImgIOProviderTest, InitializeMakesTheExpertOnce) {
  EXPECT_TRUE(provider_->IsUninitialized());
  EXPECT_EQ(provider_->GetProviderId(), 1u);
  IImgIOExpert* expert = reinterpret_cast<IImgIOExpert*>(this);
  EXPECT_EQ(provider_->GetExpert(&expert), ZR_OUTOFMEMORY);
  EXPECT_EQ(expert, nullptr);
  EXPECT_EQ(provider_->GetExpert(nullptr), ZR_BADARG);

  // An empty name means the library's own file.
  ASSERT_EQ(provider_->Initialize(u""), ZR_OK);
  EXPECT_FALSE(provider_->IsUninitialized());
  IImgIOExpert* first = nullptr;
  ASSERT_EQ(provider_->GetExpert(&first), ZR_OK);
  ASSERT_EQ(provider_->Initialize(u"other.so"), ZR_OK);
  IImgIOExpert* second = nullptr;
  ASSERT_EQ(provider_->GetExpert(&second), ZR_OK);
  EXPECT_EQ(first, second) << "the first expert and table stay";
  uint32_t count = 0;
  EXPECT_EQ(first->GetFormatCount(&count), ZR_OK);
  EXPECT_EQ(count, 5u);

  ImgFormatInfo row{};
  row.cbSize = sizeof row;
  ASSERT_EQ(first->FindFormatByExt(0, u"scan.tiff", &row), ZR_OK);
  EXPECT_EQ(row.FormatIds[0], 4u);
  EXPECT_EQ(row.FormatIds[1], 1u);
  EXPECT_EQ(row.FormatIds[2], 1u);
  EXPECT_EQ(row.FormatIds[3], 1u);
  EXPECT_EQ(row.Reserved1, 0u);
  first->Release();
  second->Release();

  EXPECT_EQ(provider_->Shutdown(), ZR_OK);
  EXPECT_TRUE(provider_->IsUninitialized());
}

TEST_F(ImgIOProviderTest, LocalizeFormatNamesRenamesUntilAFormatLacksItsLine) {
  void* made = nullptr;
  ASSERT_EQ(msglibAllocIntf(&CLSID_MsgLibMessageLoader, &made), S_OK);
  auto* texts = static_cast<IMessageLoader*>(made);
  EXPECT_EQ(provider_->LocalizeFormatNames(nullptr, 100), ZR_BADARG);
  EXPECT_EQ(provider_->LocalizeFormatNames(texts, 100), ZR_OUTOFMEMORY) << "no expert yet";
  ASSERT_EQ(provider_->Initialize(nullptr), ZR_OK);

  // List order: JPEG, PNG, TIFF, Targa, BMP. JPEG and PNG find their lines
  // (JPEG by its third extension); a three-field line is skipped; TIFF
  // meets the empty message first.
  ASSERT_EQ(texts->AddMessages(1, 100, u"bmp|Bitmap-Bild", false), ZR_OK);
  ASSERT_EQ(texts->AddMessages(2, 101, u"tif|a|b", false), ZR_OK);
  ASSERT_EQ(texts->AddMessages(3, 102, u"JPEG|JPEG-Bild", false), ZR_OK);
  ASSERT_EQ(texts->AddMessages(4, 103, u"png|PNG-Bild", false), ZR_OK);
  ASSERT_EQ(texts->AddMessages(5, 104, u"", false), ZR_OK);
  EXPECT_EQ(provider_->LocalizeFormatNames(texts, 100), ZR_NO);
  EXPECT_EQ(descriptionOf(u"jpg"), u"JPEG-Bild");
  EXPECT_EQ(descriptionOf(u"png"), u"PNG-Bild");
  EXPECT_EQ(descriptionOf(u"tif"), u"Tagged Image File Format (*.tif,*.tiff)");
  EXPECT_EQ(descriptionOf(u"bmp"), u"Windows Bitmap (*.bmp)") << "after the stop";

  // A read that fails (no message with that id) ends with its code.
  EXPECT_EQ(provider_->LocalizeFormatNames(texts, 500), ZR_NO);
  texts->Release();
}

TEST_F(ImgIOProviderTest, TwainSettingsKeepANameAndNeverAcquire) {
  IImgIOTWAINExpert* twain = nullptr;
  EXPECT_EQ(provider_->CreateTWAINExpert(&twain), ZR_OUTOFMEMORY) << "no expert yet";
  ASSERT_EQ(provider_->Initialize(nullptr), ZR_OK);
  ASSERT_EQ(provider_->CreateTWAINExpert(&twain), ZR_OK);

  WCHAR name[IFIImgIOTWAINExpertImp::kSourceNameChars];
  uint32_t length = 0;
  EXPECT_EQ(twain->GetSourceName(name, &length), ZR_OK);
  EXPECT_EQ(std::u16string(name), u"TWAIN Acquire");
  EXPECT_EQ(length, 13u);
  EXPECT_EQ(twain->SetSourceName(std::u16string(100, u's').c_str()), ZR_OK);
  length = 0;
  EXPECT_EQ(twain->GetSourceName(nullptr, &length), ZR_OK);
  EXPECT_EQ(length, 63u);
  EXPECT_EQ(twain->GetSourceName(nullptr, nullptr), ZR_BADARG);
  EXPECT_EQ(twain->SetSourceName(nullptr), ZR_BADARG);
  EXPECT_EQ(twain->GetOptionWord(nullptr), ZR_BADARG);
  uint32_t word = 9;
  EXPECT_EQ(twain->SetOptionWord(44), ZR_OK);
  EXPECT_EQ(twain->GetOptionWord(&word), ZR_OK);
  EXPECT_EQ(word, 44u);
  EXPECT_EQ(twain->SelectSource(), ZR_OK);
  IRasterImage* image = reinterpret_cast<IRasterImage*>(&word);
  EXPECT_EQ(twain->Acquire(&image), E_FAIL);
  EXPECT_EQ(image, nullptr);
  twain->Release();
}

}  // namespace
