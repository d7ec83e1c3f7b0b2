#include "zefcorek/StringList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "ScratchFolder.h"

#include "platform/BinaryResources.h"
#include "platform/Clock.h"
#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;
using Items = std::vector<std::u16string>;

// A string list from the factory, released at scope end.
struct List {
  explicit List(const CLSID& id = CLSID_IStringListImp) {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&id, &out, 0), S_OK);
    p = static_cast<IStringList*>(out);
  }
  explicit List(const Items& items) : List() {
    for (const auto& item : items) p->Append(item.c_str());
  }
  ~List() {
    if (p) p->Release();
  }
  IStringList* operator->() const { return p; }
  Items items() const {
    Items all;
    for (uint32_t i = 0; i < p->GetCount(); ++i) {
      const WCHAR* text = nullptr;
      EXPECT_EQ(p->GetStringPtr(i, &text), ZR_OK);
      all.emplace_back(text);
    }
    return all;
  }
  IStringList* p = nullptr;
};

TEST(StringListTest, BothClassIdentifiersMakeAList) {
  List modern(CLSID_IStringListImp);
  List legacy(CLSID_IStringListImpLegacy);
  ASSERT_NE(modern.p, nullptr);
  ASSERT_NE(legacy.p, nullptr);
  void* out = &out;
  EXPECT_EQ(modern->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &out);
  EXPECT_EQ(legacy->IsEmpty(), ZR_OK);
}

TEST(StringListTest, EmptyAndNullTextsAreEmptyItems) {
  List list;
  uint32_t index = 99;
  EXPECT_EQ(list->Add(u"", &index), ZR_OK);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(list->Add(nullptr, &index), ZR_OK);
  EXPECT_EQ(index, 1u);
  list->AddWithData(u"x", 7, nullptr);
  EXPECT_EQ(list.items(), (Items{u"", u"", u"x"}));

  WCHAR buffer[8] = u"junk";
  EXPECT_EQ(list->GetString(0, buffer, 8), ZR_OK);
  EXPECT_EQ(buffer[0], u'\0');

  // A null key finds the first empty item; an empty non-null key none.
  EXPECT_EQ(list->IndexOf(nullptr, &index), ZR_OK);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(list->IndexOf(u"", &index), ZR_NO);
  EXPECT_EQ(index, kNoStringIndex);
  EXPECT_EQ(list->IndexOf(u"X", &index), ZR_OK);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(list->IndexOfData(7, &index), ZR_OK);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(list->IndexOf(u"x", nullptr), ZR_BADARG);
}

TEST(StringListTest, BufferReadersCheckCapacityAndIndex) {
  List list(Items{u"abc=1", u"=1", u"plain", u"ABC=2"});
  struct Case {
    const char* what;
    ZRESULT (IStringList::*read)(uint32_t, WCHAR*, uint32_t);
    uint32_t index;
    uint32_t capacity;
    ZRESULT result;
    std::u16string text;
  };
  const Case cases[] = {
      {"name", &IStringList::GetName, 0, 10, ZR_OK, u"abc"},
      {"name cut", &IStringList::GetName, 0, 3, ZR_OK, u"ab"},
      {"value", &IStringList::GetValue, 0, 10, ZR_OK, u"1"},
      {"empty name", &IStringList::GetName, 1, 10, ZR_OK, u""},
      {"no '=' name", &IStringList::GetName, 2, 10, ZR_OK, u""},
      {"no '=' value", &IStringList::GetValue, 2, 10, ZR_OK, u""},
      {"string cut", &IStringList::GetString, 2, 4, ZR_OK, u"pla"},
      {"capacity 1", &IStringList::GetString, 0, 1, ZR_BADARG, u""},
      {"index = count", &IStringList::GetString, 4, 10, ZR_BADARG, u""},
      {"name bad index", &IStringList::GetName, 9, 10, ZR_BADARG, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WCHAR buffer[16] = u"junk";
    EXPECT_EQ((list.p->*c.read)(c.index, buffer, c.capacity), c.result);
    EXPECT_EQ(std::u16string(buffer), c.text);
  }
  EXPECT_EQ(list->GetString(0, nullptr, 10), ZR_BADARG);
}

TEST(StringListTest, NameSearchIgnoresCaseAndNeedsTheWholeName) {
  List list(Items{u"plain", u"ab=0", u"abc=1", u"=empty", u"ABC=2"});
  struct Case {
    const WCHAR* name;
    ZRESULT result;
    uint32_t index;
  };
  const Case cases[] = {
      {u"abc", ZR_OK, 2},  {u"AbC", ZR_OK, 2}, {u"a", ZR_NO, kNoStringIndex},
      {nullptr, ZR_OK, 3}, {u"", ZR_OK, 3},    {u"plain", ZR_NO, kNoStringIndex},
  };
  for (const Case& c : cases) {
    uint32_t index = 0;
    EXPECT_EQ(list->IndexOfName(c.name, &index), c.result);
    EXPECT_EQ(index, c.index);
  }
  WCHAR value[8];
  EXPECT_EQ(list->GetValueOfName(u"ABC", value, 8), ZR_OK);
  EXPECT_EQ(std::u16string(value), u"1");
  EXPECT_EQ(list->GetValueOfName(u"zz", value, 8), ZR_NO);
  EXPECT_EQ(value[0], u'\0');
}

TEST(StringListTest, EditsKeepTextAndData) {
  List list(Items{u"A", u"B", u"C", u"D"});
  EXPECT_EQ(list->Move(0, 2), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"B", u"A", u"C", u"D"}));
  EXPECT_EQ(list->Move(0, 4), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"A", u"C", u"D", u"B"}));
  EXPECT_EQ(list->Move(3, 0), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"B", u"A", u"C", u"D"}));
  EXPECT_EQ(list->Exchange(0, 3), ZR_OK);
  EXPECT_EQ(list->Exchange(0, 4), ZR_BADARG);
  EXPECT_EQ(list->InsertWithData(4, u"E", 5), ZR_OK);
  EXPECT_EQ(list->InsertWithData(6, u"F", 5), ZR_BADARG);
  EXPECT_EQ(list->Insert(0, u"Z"), ZR_OK);
  EXPECT_EQ(list->SetString(1, u"d2"), ZR_OK);
  EXPECT_EQ(list->SetString(9, u"x"), ZR_BADARG);
  EXPECT_EQ(list->Delete(2), ZR_OK);
  EXPECT_EQ(list->Delete(9), ZR_BADARG);
  EXPECT_EQ(list.items(), (Items{u"Z", u"d2", u"C", u"B", u"E"}));
  uint32_t data = 9;
  EXPECT_EQ(list->GetData(4, &data), ZR_OK);
  EXPECT_EQ(data, 5u);
  EXPECT_EQ(list->GetData(5, &data), ZR_BADARG);
  EXPECT_EQ(data, 0u);

  List copy;
  copy->Append(u"gone");
  EXPECT_EQ(copy->Assign(list.p), ZR_OK);
  EXPECT_EQ(copy.items(), list.items());
  EXPECT_EQ(copy->GetData(4, &data), ZR_OK);
  EXPECT_EQ(data, 5u);
  EXPECT_EQ(copy->AddStrings(nullptr), ZR_BADARG);
}

TEST(StringListTest, CompareNoCase) {
  List a(Items{u"A", u""});
  List b(Items{u"a", u""});
  List c(Items{u"a", u"x"});
  List one(Items{u"a"});
  EXPECT_EQ(a->CompareNoCase(b.p), ZR_OK);
  EXPECT_EQ(a->CompareNoCase(a.p), ZR_OK);
  EXPECT_EQ(a->CompareNoCase(c.p), ZR_NO);
  EXPECT_EQ(a->CompareNoCase(one.p), ZR_NO);
}

TEST(StringListTest, MaxLengthAndRemoveShort) {
  List list(Items{u"  ab  ", u"   ", u" abc", u"a\tb", u"", u"ab"});
  uint32_t length = 0;
  EXPECT_EQ(list->GetMaxLength(&length, 0, 0), ZR_OK);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(list->GetMaxLength(&length, 4, 8), ZR_OK);  // "a\tb": 3 + 8
  EXPECT_EQ(length, 11u);
  EXPECT_EQ(list->GetMaxLength(&length, 2, 8), ZR_OK);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(list->GetMaxLength(nullptr, 0, 0), ZR_BADARG);

  List trimmed(list.items());
  EXPECT_EQ(trimmed->RemoveShort(3, true), ZR_OK);
  EXPECT_EQ(trimmed.items(), (Items{u" abc", u"a\tb"}));
  EXPECT_EQ(list->RemoveShort(3, false), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"  ab  ", u"   ", u" abc", u"a\tb"}));
  EXPECT_EQ(list->RemoveShort(-5, true), ZR_OK);  // only the all-space item goes
  EXPECT_EQ(list.items(), (Items{u"  ab  ", u" abc", u"a\tb"}));
}

TEST(StringListTest, LineSplitting) {
  struct Case {
    std::u16string text;
    Items items;
  };
  const Case cases[] = {
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"a\n", {u"a"}},
      {u"x", {u"x"}},
      {u"", {}},
      {u"a\rb\r", {u"a", u"b"}},
      {u"\n\nz", {u"", u"", u"z"}},
      {u"a\nb\rc", {u"a\nb", u"c"}},  // the first CR wins over an earlier LF
  };
  for (const Case& c : cases) {
    List list;
    list->Append(u"old");
    EXPECT_EQ(list->SetText(c.text.c_str()), ZR_OK);
    EXPECT_EQ(list.items(), c.items);
  }
  List list(Items{u"old"});
  EXPECT_EQ(list->SetText(nullptr), ZR_OK);
  EXPECT_EQ(list->GetCount(), 0u);
}

TEST(StringListTest, LoadFromBufferInBothWidths) {
  List list;
  EXPECT_EQ(list->LoadFromBuffer("a\rb", false, 3), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"a", u"b"}));
  // UTF-8 lines are converted; a NUL byte ends the text.
  EXPECT_EQ(list->LoadFromBuffer("caf\xC3\xA9\r\nx\0y", false, 10), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"café", u"x"}));
  // Five bytes of UTF-16LE: two characters, the odd byte ignored.
  const unsigned char wide[] = {'a', 0, '\n', 0, 'b'};
  EXPECT_EQ(list->LoadFromBuffer(wide, true, 5), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"a"}));
  const unsigned char wideNul[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(list->LoadFromBuffer(wideNul, true, 6), ZR_OK);
  EXPECT_EQ(list.items(), (Items{u"a"}));
  EXPECT_EQ(list->LoadFromBuffer(nullptr, false, 4), ZR_OK);
  EXPECT_EQ(list->GetCount(), 0u);
}

TEST(StringListTest, LoadFromResourceReadsARegisteredTextResource) {
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(uintptr_t{0x57A1E000});
  const auto utf16Bytes = [](std::u16string_view text) {
    std::vector<BYTE> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
  };
  const struct {
    const char* what;
    std::vector<BYTE> bytes;
    Items items;
  } cases[] = {
      {"terminated, every line break",
       utf16Bytes(std::u16string(u"one\r\ntwo\rthree\nlast\0", 20)),
       {u"one", u"two", u"three", u"last"}},
      {"last line without a break, no terminator", utf16Bytes(u"a\r\n\r\nb"), {u"a", u"", u"b"}},
      {"the terminator ends the text", utf16Bytes(std::u16string(u"x\0y", 3)), {u"x"}},
      {"an odd last byte is ignored", {'h', 0, 'i', 0, '!'}, {u"hi"}},
      {"empty", {}, {}},
  };
  List list;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::registerBinaryResource(module, u"TEXT", u"Lines", c.bytes);
    list->Append(u"stale");
    EXPECT_EQ(list->LoadFromResource(module, u"lines", u"text"), ZR_OK);
    EXPECT_EQ(list.items(), c.items);
  }
  list->Append(u"stale");
  EXPECT_EQ(list->LoadFromResource(module, u"Missing", u"TEXT"), ZR_FAILED);
  EXPECT_EQ(list->GetCount(), 0u);
  EXPECT_EQ(list->LoadFromResource(nullptr, u"Lines", u"TEXT"), ZR_FAILED);
  platform::unregisterBinaryResources(module);
  EXPECT_EQ(list->LoadFromResource(module, u"Lines", u"TEXT"), ZR_FAILED);
}

TEST(StringListTest, CaseBlindSearchesFollowTheUsersLocale) {
  const struct {
    const char* locale;
    std::u16string item;
    std::u16string key;
    bool found;
  } cases[] = {
      {"C", u"\u0531\u0532", u"\u0561\u0562", true},  // Armenian
      {"C", u"\uFF21=1", u"\uFF41", true},            // fullwidth, by name
      {"C", u"FILE", u"file", true},
      {"tr_TR.UTF-8", u"FILE", u"file", false},  // I is the capital of the dotless i
      {"tr_TR.UTF-8", u"F\u0130LE=x", u"file", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.locale << " " << c.key.size());
    const platform::ScopedUserLocale locale(c.locale);
    List list({u"other", c.item});
    List other({u"OTHER", c.key});
    uint32_t index = 0;
    const bool byName = c.item.find(u'=') != std::u16string::npos;
    const ZRESULT result = byName ? list->IndexOfName(c.key.c_str(), &index) : list->IndexOf(c.key.c_str(), &index);
    EXPECT_EQ(result, c.found ? ZR_OK : ZR_NO);
    if (!byName) {
      EXPECT_EQ(list->CompareNoCase(other.p), c.found ? ZR_OK : ZR_NO);
    }
  }
}

TEST(StringListTest, LoadFromFileInEveryEncoding) {
  ScratchFolder folder;
  struct Case {
    const char* what;
    std::string bytes;
    Items items;
  };
  const Case cases[] = {
      {"ANSI, no final break", "one\r\ntwo\r\n\r\nlast", {u"one", u"two", u"", u"last"}},
      {"final break adds nothing", "one\ntwo\n", {u"one", u"two"}},
      {"UTF-8 mark",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9\r\nb",
       {u"café", u"b"}},
      {"UTF-16LE mark",
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0\xE9\0",
                   10),
       {u"a", u"é"}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::u16string path = folder.write("in.txt", c.bytes);
    List list(Items{u"old"});
    EXPECT_EQ(list->LoadFromFile(path.c_str()), ZR_OK);
    EXPECT_EQ(list.items(), c.items);
  }
  List list(Items{u"old"});
  EXPECT_NE(list->LoadFromFile(folder.name("missing.txt").c_str()), ZR_OK);
  EXPECT_EQ(list->GetCount(), 0u);

  // A line that does not fit the 16,383-character buffer ends the load.
  std::u16string path = folder.write("long.txt", "first\r\n" + std::string(20000, 'x') + "\r\nz");
  EXPECT_EQ(list->LoadFromFile(path.c_str()), ZR_NO);
  EXPECT_EQ(list.items(), (Items{u"first"}));
}

TEST(StringListTest, SaveToFileWritesAnsiLines) {
  ScratchFolder folder;
  List list(Items{u"a", u"", u"café"});
  std::u16string path = folder.name("out.txt");
  EXPECT_EQ(list->SaveToFile(path.c_str()), ZR_OK);
  EXPECT_EQ(folder.read("out.txt"), "a\r\n\r\ncaf\xC3\xA9\r\n");
  List back;
  EXPECT_EQ(back->LoadFromFile(path.c_str()), ZR_OK);
  EXPECT_EQ(back.items(), list.items());
}

TEST(StringListTest, LockIsRecursiveAndPollsWhileHeld) {
  platform::VirtualClock clock;
  platform::ScopedClock scoped(clock);
  List list;
  ASSERT_EQ(list->Lock(u"main"), ZR_OK);
  EXPECT_EQ(list->Lock(nullptr), ZR_OK);  // the holder gets it again at once
  EXPECT_EQ(clock.sleptMs(), 0u);

  ZRESULT fromOther = ZR_OK;
  std::thread([&] { fromOther = list->TryLock(u"other"); }).join();
  EXPECT_EQ(fromOther, ZR_NO);

  list->Unlock();
  std::thread([&] { fromOther = list->TryLock(u"other"); }).join();
  EXPECT_EQ(fromOther, ZR_NO);  // still held once
  list->Unlock();

  std::atomic<bool> taken{false};
  ASSERT_EQ(list->TryLock(u"main"), ZR_OK);
  std::thread waiter([&] {
    list->Lock(u"waiter");
    taken = true;
    list->Unlock();
  });
  while (clock.sleptMs() < 200)  // the waiter polls through the clock
    std::this_thread::yield();
  EXPECT_FALSE(taken);
  list->Unlock();
  waiter.join();
  EXPECT_TRUE(taken);
}

}  // namespace
