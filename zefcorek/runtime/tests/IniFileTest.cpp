#include "zefcorek/IniFile.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A fresh folder and an ini file object on a file in it.
class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zef-ini-XXXXXX";
    folder_ = mkdtemp(pattern);
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IIniFileImp, reinterpret_cast<void**>(&ini_), 0), S_OK);
    const std::string native = folder_ + "/settings.ini";
    ini_->SetFileName(std::u16string(native.begin(), native.end()).c_str());
  }
  void TearDown() override {
    if (ini_ != nullptr) {
      EXPECT_EQ(ini_->Release(), 0u);
    }
    std::filesystem::remove_all(folder_);
  }
  std::string fileText() const {
    std::ifstream in(folder_ + "/settings.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string folder_;
  IIniFile* ini_ = nullptr;
};

TEST_F(IniFileTest, TypedValuesRoundTripThroughTheFile) {
  EXPECT_EQ(ini_->GetRefCount(), 1);
  EXPECT_EQ(ini_->WriteInteger(u"S", u"Int", -42), S_OK);
  EXPECT_EQ(ini_->WriteBool(u"S", u"Off", false), S_OK);
  EXPECT_EQ(ini_->WriteFloat(u"S", u"F", 2.5), S_OK);
  EXPECT_EQ(ini_->WriteFloatFmt(u"S", u"F3", 2.5, u"%.3lf"), S_OK);
  EXPECT_EQ(ini_->WriteFloatFmt(u"S", u"Fn", 2.5, nullptr), S_OK);
  // A format whose conversion does not take a double renders safely.
  EXPECT_EQ(ini_->WriteFloatFmt(u"S", u"Bad", 2.5, u"%s"), S_OK);
  EXPECT_EQ(ini_->WriteString(u"S", u"Text", u"abc"), S_OK);
  EXPECT_EQ(ini_->WriteString(u"S", u"Seven", u"7"), S_OK);
  EXPECT_EQ(fileText(),
            "[S]\r\nInt=-42\r\nOff=0\r\nF=2.500000\r\nF3=2.500\r\nFn=2.500000\r\nBad=\r\n"
            "Text=abc\r\nSeven=7\r\n");

  EXPECT_EQ(ini_->ReadInteger(u"S", u"Int", 0), -42);
  EXPECT_EQ(ini_->ReadInteger(u"S", u"None", 5), 5);
  EXPECT_DOUBLE_EQ(ini_->ReadFloat(u"S", u"F", 0), 2.5);
  EXPECT_DOUBLE_EQ(ini_->ReadFloat(u"S", u"Text", 1.25), 1.25);
  EXPECT_DOUBLE_EQ(ini_->ReadFloat(u"S", u"None", 1.25), 1.25);
  EXPECT_TRUE(ini_->ReadBool(u"S", u"Seven", false));
  EXPECT_TRUE(ini_->ReadBool(u"S", u"None", true));
  EXPECT_FALSE(ini_->ReadBool(u"S", u"Off", true));
  EXPECT_EQ(ini_->ReadString(u"S", u"Text", u"d"), u"abc");

  EXPECT_EQ(ini_->EraseSection(u"S"), S_OK);
  EXPECT_EQ(ini_->ReadString(u"S", u"Text", u"gone"), u"gone");
}

TEST_F(IniFileTest, LongValuesAreCutAndFailuresReported) {
  const std::u16string longValue(2000, u'x');
  ASSERT_EQ(ini_->WriteString(u"S", u"Long", longValue.c_str()), S_OK);
  EXPECT_EQ(ini_->ReadString(u"S", u"Long", nullptr).Length(), 1022);

  void* out = &out;
  EXPECT_EQ(ini_->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &out);

  ini_->SetFileName(u"\\nonexistent-folder-for-ini\\x.ini");
  EXPECT_EQ(ini_->WriteString(u"S", u"k", u"v"), E_FAIL);
  EXPECT_EQ(ini_->ReadString(u"S", u"k", u"d"), u"d");
  ini_->SetFileName(nullptr);
  EXPECT_EQ(std::u16string(ini_->GetFileName()), u"");
}

}  // namespace
