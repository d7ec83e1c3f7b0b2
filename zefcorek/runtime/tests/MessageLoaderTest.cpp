#include "zefcorek/MessageLoader.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/MessageBox.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

class MessageLoaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(msglibAllocIntf(&CLSID_MsgLibMessageLoader, reinterpret_cast<void**>(&loader_)), S_OK);
  }
  void TearDown() override {
    if (loader_ != nullptr) {
      EXPECT_EQ(loader_->Release(), 0u);
    }
  }
  std::u16string text(uint32_t id) {
    WCHAR buffer[256];
    loader_->GetMsgByID(id, buffer, 256);
    return buffer;
  }

  ScratchFolder folder_;
  platform::RecordingMessageBoxes boxes_;
  IMessageLoader* loader_ = nullptr;
};

TEST_F(MessageLoaderTest, MessageFileSkipsCommentsAndStopsAtAMalformedLine) {
  const auto path = folder_.write("texts.eng",
                                  "  \r\n; comment\r\n[Section]\r\n{ brace\r\n\r\n"
                                  "12=Hello\\_World\\n\r\n5=  five \r\nName=by name\r\n7=late\r\n");
  EXPECT_EQ(loader_->LoadFromFile(path.c_str()), ZR_FAILED);
  EXPECT_EQ(text(12), u"Hello World\r\n");
  EXPECT_EQ(text(5), u"  five ");
  EXPECT_EQ(text(7), u"");  // after the malformed line: not loaded
  ASSERT_EQ(boxes_.count(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text, u"Malformed string found in file <texts> at row <8>.");
  EXPECT_EQ(boxes_.shown()[0].type, MB_ICONERROR);

  // With string ids allowed the same file loads whole.
  ASSERT_EQ(loader_->LoadFromFileEx(path.c_str(), MSGLIB_STRING_IDS), ZR_OK);
  uint32_t count = 0;
  ASSERT_EQ(loader_->GetCount(&count), ZR_OK);
  EXPECT_EQ(count, 4u);
  WCHAR buffer[32];
  EXPECT_EQ(loader_->GetMsgByStrID(u"Name", buffer, 32), ZR_OK);
  EXPECT_EQ(std::u16string(buffer), u"by name");
  EXPECT_EQ(loader_->GetMsgByStrID(u"Other", buffer, 32), ZR_NO);
  EXPECT_EQ(loader_->GetMsgByStrID(nullptr, buffer, 32), ZR_BADARG);
  EXPECT_EQ(boxes_.count(), 1u);

  // A file that cannot be opened: its code, and the box.
  EXPECT_EQ(loader_->LoadFromFile(folder_.name("missing.eng").c_str()), ZR_FAILED);
  EXPECT_EQ(boxes_.count(), 2u);
  EXPECT_EQ(loader_->LoadFromFile(nullptr), ZR_BADARG);
}

// A language file cut one byte short (UTF-16 with an odd byte count) loads
// what it holds and ends instead of hanging on the lone byte.
TEST_F(MessageLoaderTest, Utf16FileCutOneByteShortLoadsAndEnds) {
  static const char kWhole[] =
      "\xFF\xFE"
      "1\0=\0o\0n\0e\0\r\0\n\0"
      "2\0=\0t\0w\0o\0";
  const std::string whole(kWhole, sizeof kWhole - 1);
  const auto path = folder_.write("cut.eng", whole.substr(0, whole.size() - 1));
  ASSERT_EQ(loader_->LoadFromFile(path.c_str()), ZR_OK);
  EXPECT_EQ(text(1), u"one");
  EXPECT_EQ(text(2), u"tw");
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(MessageLoaderTest, EscapesOfBothPasses) {
  struct Case {
    const char* file;         // the text as written in a message file
    std::u16string fromFile;  // after both passes
    std::u16string added;     // the same text given to AddMessages (first pass only)
  };
  const Case cases[] = {
      {"a\\\\b", u"a\\b", u"a\\b"},
      {"\\\\n", u"\r\n", u"\\n"},  // the doubled backslash escapes again
      {"q\\\"q", u"q\"q", u"q\"q"},
      {"\\r\\n|\\R|\\N", u"\r\n|\r\n|\r\n", u"\r\n|\r\n|\r\n"},
      {"\\t|\\T", u"    |    ", u"    |    "},
      {"it\\'s", u"it's", u"it\\'s"},
      {"\\x\\", u"\\x\\", u"\\x\\"},
  };
  std::string file;
  for (size_t row = 0; row < std::size(cases); ++row) {
    file += std::to_string(row + 1) + "=" + cases[row].file + "\r\n";
  }
  ASSERT_EQ(loader_->LoadFromFile(folder_.write("esc.txt", file).c_str()), ZR_OK);
  for (size_t row = 0; row < std::size(cases); ++row) {
    EXPECT_EQ(text(static_cast<uint32_t>(row + 1)), cases[row].fromFile) << cases[row].file;
  }
  for (size_t row = 0; row < std::size(cases); ++row) {
    const std::string raw = cases[row].file;
    const std::u16string wide(raw.begin(), raw.end());
    ASSERT_EQ(loader_->AddMessages(0, static_cast<uint32_t>(100 + row), wide.c_str(), false), ZR_OK);
    EXPECT_EQ(text(static_cast<uint32_t>(100 + row)), cases[row].added) << cases[row].file;
  }
}

TEST_F(MessageLoaderTest, LookupsRespectBufferAndIdRange) {
  ASSERT_EQ(loader_->LoadFromFile(folder_.write("ids.txt", "5=Hello\r\n7=seven\r\n9=nine\r\n").c_str()), ZR_OK);
  uint32_t minId = 0;
  uint32_t maxId = 0;
  ASSERT_EQ(loader_->GetMinMaxIDs(&minId, &maxId), ZR_OK);
  EXPECT_EQ(minId, 5u);
  EXPECT_EQ(maxId, 9u);
  EXPECT_EQ(loader_->GetMinMaxIDs(nullptr, nullptr), ZR_BADARG);
  EXPECT_EQ(loader_->HasID(7), ZR_OK);
  EXPECT_EQ(loader_->HasID(6), ZR_NO);
  EXPECT_EQ(loader_->HasID(4), ZR_NO);

  WCHAR buffer[8] = u"xxxxxxx";
  EXPECT_EQ(loader_->GetMsgByID(5, buffer, 1), ZR_BADARG);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(loader_->GetMsgByID(5, buffer, 4), ZR_OK);
  EXPECT_EQ(std::u16string(buffer), u"Hel");
  EXPECT_EQ(loader_->GetMsgByID(6, buffer, 8), ZR_NO);
  EXPECT_EQ(loader_->GetMsgByID(5, nullptr, 8), ZR_BADARG);

  WCHAR large[1024];
  uint32_t length = 0;
  EXPECT_EQ(loader_->GetMsgText(7, large, &length), ZR_OK);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(std::u16string(msglibGetMsgW(nullptr, 7, buffer, 8)), u"");
  EXPECT_EQ(std::u16string(msglibGetMsg(loader_, 9, large, 0)), u"nine");
  EXPECT_EQ(msglibGetMsgW(loader_, 9, nullptr, 8), nullptr);
}

TEST_F(MessageLoaderTest, AddMessagesReplacesOnlyWhenAsked) {
  ASSERT_EQ(loader_->AddMessages(1, 20, u"old", false), ZR_OK);
  EXPECT_EQ(loader_->AddMessages(2, 20, u"new", false), ZR_FAILED);
  EXPECT_EQ(text(20), u"old");
  ASSERT_EQ(loader_->AddMessages(3, 20, u"new", true), ZR_OK);
  EXPECT_EQ(text(20), u"new");
  ASSERT_EQ(loader_->AddMessages(4, 10, u"low", false), ZR_OK);
  ASSERT_EQ(loader_->AddMessages(5, 30, u"high", false), ZR_OK);
  uint32_t minId = 0;
  uint32_t maxId = 0;
  loader_->GetMinMaxIDs(&minId, &maxId);
  EXPECT_EQ(minId, 10u);
  EXPECT_EQ(maxId, 30u);
  uint32_t count = 0;
  loader_->GetCount(&count);
  EXPECT_EQ(count, 3u);

  int32_t tag = 5;
  EXPECT_EQ(loader_->GetMsgTempTagByID(10, &tag), ZR_OK);
  EXPECT_EQ(tag, 0);
  EXPECT_EQ(loader_->SetMsgTempTagByID(10, 77), ZR_OK);
  EXPECT_EQ(loader_->GetMsgTempTagByID(10, &tag), ZR_OK);
  EXPECT_EQ(tag, 77);
  EXPECT_EQ(loader_->GetMsgTempTagByID(11, &tag), ZR_NO);
  EXPECT_EQ(tag, 0);
  EXPECT_EQ(loader_->SetMsgTempTagByID(11, 1), ZR_NO);
  EXPECT_EQ(loader_->GetMsgTempTagByID(10, nullptr), E_INVALIDARG);
}

TEST_F(MessageLoaderTest, IniSectionLoader) {
  const auto ini =
      folder_.write("lang.ini", "[Msg]\r\n1=One\\tTab\r\n;note=x\r\n2=it\\'s\r\n[Bad]\r\n1=a\r\nx=b\r\n3=c\r\n");
  ASSERT_EQ(loader_->LoadFromIniSection(ini.c_str(), u"msg"), ZR_OK);
  EXPECT_EQ(text(1), u"One    Tab");
  EXPECT_EQ(text(2), u"it\\'s");  // no second pass for ini texts
  EXPECT_EQ(loader_->LoadFromIniSection(ini.c_str(), u"Bad"), ZR_FAILED);
  EXPECT_EQ(text(1), u"a");
  EXPECT_EQ(text(3), u"");
  EXPECT_EQ(loader_->LoadFromIniSection(nullptr, u"Msg"), ZR_BADARG);
  EXPECT_EQ(boxes_.count(), 0u);
}

TEST_F(MessageLoaderTest, IteratorsVisitTableAndLineOrder) {
  TMsgIterator iterator{};
  ASSERT_EQ(loader_->GetMsgIterator(false, &iterator), ZR_OK);
  EXPECT_EQ(iterator.entry, nullptr);
  EXPECT_EQ(iterator.firstLine, 0xFFFFFFFFu);
  EXPECT_EQ(iterator.line, 0u);

  // Ids 998 and 1 share bucket 1; line numbers far apart.
  ASSERT_EQ(loader_->AddMessages(4000000000u, 998, u"a", false), ZR_OK);
  ASSERT_EQ(loader_->AddMessages(7, 1, u"b", false), ZR_OK);
  ASSERT_EQ(loader_->AddMessages(9, 0, u"c", false), ZR_OK);
  std::vector<intptr_t> tableOrder;
  for (loader_->GetMsgIterator(false, &iterator); iterator.entry != nullptr; loader_->MsgIteratorAdvance(&iterator)) {
    tableOrder.push_back(iterator.id);
  }
  EXPECT_EQ(tableOrder, (std::vector<intptr_t>{0, 998, 1}));
  EXPECT_EQ(iterator.line, 0xFFFFFFFFu);
  std::vector<uint32_t> lineOrder;
  for (loader_->GetMsgIterator(true, &iterator); iterator.entry != nullptr; loader_->MsgIteratorAdvance(&iterator)) {
    lineOrder.push_back(iterator.line);
  }
  EXPECT_EQ(lineOrder, (std::vector<uint32_t>{7, 9, 4000000000u}));
  EXPECT_EQ(loader_->MsgIteratorAdvance(nullptr), ZR_BADARG);

  // A string id's iterator id points to its text.
  ASSERT_EQ(loader_->LoadFromFileEx(folder_.write("s.txt", "Key=v\r\n").c_str(), MSGLIB_STRING_IDS), ZR_OK);
  loader_->GetMsgIterator(false, &iterator);
  ASSERT_NE(iterator.entry, nullptr);
  EXPECT_EQ(iterator.isStringId, 1);
  EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(iterator.id)), u"Key");
}

struct HookCall {
  uint32_t line;
  uint32_t id;
  std::u16string text;
};

void upperHook(uint32_t line, uint32_t id, const WCHAR* text, WCHAR* out, void* context) {
  static_cast<std::vector<HookCall>*>(context)->push_back({line, id, text});
  for (; *text != 0; ++text, ++out) *out = (*text >= u'a' && *text <= u'z') ? *text - 32 : *text;
}

TEST_F(MessageLoaderTest, HookReplacesTheSecondPass) {
  std::vector<HookCall> calls;
  ASSERT_EQ(loader_->SetLoadCallback(&upperHook, &calls), ZR_OK);
  TMsgTextConvertFunc hook = nullptr;
  void* context = nullptr;
  ASSERT_EQ(loader_->GetLoadCallback(&hook, &context), ZR_OK);
  EXPECT_EQ(hook, &upperHook);
  ASSERT_EQ(loader_->LoadFromFileEx(folder_.write("h.txt", "3=a\\\\n\r\nid=x\r\n").c_str(), MSGLIB_STRING_IDS), ZR_OK);
  EXPECT_EQ(text(3), u"A\\N");
  ASSERT_EQ(loader_->AddMessages(1, 4, u"b", false), ZR_OK);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].line, 1u);
  EXPECT_EQ(calls[0].text, u"a\\n");
  EXPECT_EQ(calls[1].id, 0xFFFFFFFFu);
  EXPECT_EQ(calls[2].line, 0xFFFFFFFFu);
}

TEST(MessageLibraryTest, StringIdHash) {
  EXPECT_EQ(CalcStrIdHash(u"abc"), 864u);
  EXPECT_EQ(CalcStrIdHash(u""), 0u);
  EXPECT_EQ(CalcStrIdHash(nullptr), 0u);
}

TEST(MessageLibraryTest, LanguageExtensions) {
  EXPECT_EQ(std::u16string(msglibGetStdFileExtByLCID(1033)), u"ENG");
  EXPECT_EQ(std::u16string(msglibGetStdFileExtByLCID(1031)), u"DEU");
  EXPECT_EQ(std::u16string(msglibGetStdFileExtByLCID(0x7777)), u"ITA");
  EXPECT_EQ(msglibGetLCIDByStdFileExt(u".eng"), 1033u);
  EXPECT_EQ(msglibGetLCIDByStdFileExt(u"usa"), 0u);
  EXPECT_EQ(msglibGetLCIDByStdFileExt(u"ita"), 1040u);
  EXPECT_EQ(msglibGetLCIDByStdFileExt(u"POL"), 1045u);
  EXPECT_EQ(msglibGetLCIDByStdFileExt(u""), 0u);
  EXPECT_EQ(msglibGetLCIDByStdFileExt(nullptr), 0u);
}

TEST(MessageLibraryTest, NarrowTextsAndFormatsAreSafe) {
  IMessageLoader* loader = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IMessageLoaderImp, reinterpret_cast<void**>(&loader), 0), S_OK);
  void* out = &out;
  EXPECT_EQ(loader->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(loader->AddMessages(0, 1, u"\u00e9t\u00e9", false), ZR_OK);  // 5 bytes in UTF-8
  ASSERT_EQ(loader->AddMessages(0, 2, u"%s has %d files", false), ZR_OK);
  ASSERT_EQ(loader->AddMessages(0, 3, u"\xD800", false), ZR_OK);  // a lone surrogate
  char narrow[16];
  EXPECT_EQ(std::string(msglibGetMsgA(loader, 1, narrow, 16)), "\xC3\xA9t\xC3\xA9");
  // Cut at a character boundary: 3 bytes fit, the second 'é' does not.
  EXPECT_EQ(std::string(msglibGetMsgA(loader, 1, narrow, 5)), "\xC3\xA9t");
  EXPECT_EQ(std::string(msglibGetMsgA(loader, 3, narrow, 16)), "");
  EXPECT_EQ(msglibGetMsgA(loader, 1, nullptr, 16), nullptr);
  // A language file's conversions meet typed arguments: swapped ones render
  // safely instead of reading an integer as a string.
  EXPECT_EQ(msglibFormatMsg(loader, 2, u"plan", 3), u"plan has 3 files");
  EXPECT_EQ(msglibFormatMsg(loader, 2, 3, u"plan"), u" has  files");
  EXPECT_EQ(loader->Release(), 0u);
}

}  // namespace
