#include "zefcorek/MRUFileList.h"

#include "zefcorek/AllocationFaults.h"

#include "ScratchFolder.h"

#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

std::vector<std::u16string> entries(TMRUFileList& list) {
  std::vector<std::u16string> paths;
  WCHAR buffer[260];
  for (unsigned i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Get(i, buffer), 1);
    paths.emplace_back(buffer);
  }
  return paths;
}

TEST(MRUFileListTest, AddMovesToTheHeadIgnoringCase) {
  TMRUFileList list;
  EXPECT_EQ(list.Add(u"C:\\a.txt"), 0);
  EXPECT_EQ(list.Add(u"C:\\b.txt"), 0);
  EXPECT_EQ(list.Add(u"c:\\A.TXT"), 0);
  EXPECT_EQ(entries(list), (std::vector<std::u16string>{u"c:\\A.TXT", u"C:\\b.txt"}));
  EXPECT_EQ(list.RemovePath(u"C:\\B.txt"), 1);
  EXPECT_EQ(list.RemovePath(u"C:\\B.txt"), 0);
  // 259 characters fit a record; 260 are refused and change nothing.
  EXPECT_EQ(list.Add(std::u16string(259, u'x').c_str()), 0);
  EXPECT_EQ(list.Add(std::u16string(260, u'y').c_str()), -1);
  EXPECT_EQ(list.Add(nullptr), -1);
  EXPECT_EQ(list.Count(), 2u);
  WCHAR buffer[260] = u"junk";
  EXPECT_EQ(list.Get(2, buffer), 0);
  EXPECT_EQ(buffer[0], 0);
  list.Remove(0);
  EXPECT_EQ(entries(list), std::vector<std::u16string>{u"c:\\A.TXT"});
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

TEST(MRUFileListTest, IniFileRoundTrips) {
  ScratchFolder folder;
  const std::u16string ini = folder.write("mru.ini", "[Recent]\r\n0=p0\r\n2=p2\r\n");
  TMRUFileList list;
  EXPECT_EQ(list.LoadFromIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(entries(list), std::vector<std::u16string>{u"p0"});  // stops at the missing "1"

  folder.write("mru.ini", "[Recent]\r\n0=a\r\n1=b\r\n2=c\r\n3=d\r\n4=e\r\n");
  EXPECT_EQ(list.LoadFromIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(list.Count(), 5u);
  list.Remove(4);
  list.Remove(3);
  EXPECT_EQ(list.SaveToIniFile(ini.c_str(), u"Recent"), 1);
  WCHAR value[16];
  EXPECT_EQ(GetPrivateProfileStringW(u"Recent", u"3", u"none", value, 16, ini.c_str()), 4u);
  EXPECT_EQ(std::u16string(value), u"none");  // the keys past the list are gone
  TMRUFileList again;
  EXPECT_EQ(again.LoadFromIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(entries(again), (std::vector<std::u16string>{u"a", u"b", u"c"}));

  again.Clear();
  EXPECT_EQ(again.SaveToIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(list.LoadFromIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(list.Count(), 0u);
}

// A list that could not be made knows no paths; saving it leaves the stored
// ones alone instead of erasing them.
TEST(MRUFileListTest, SavingWithoutItsListDeletesNothing) {
  ScratchFolder folder;
  const std::string stored = "[Recent]\r\n0=a\r\n1=b\r\n9=z\r\n";
  const std::u16string ini = folder.write("mru.ini", stored);
  std::unique_ptr<TMRUFileList> list;
  {
    zefcorek::ScopedAllocationFailure fail(1, /*persistent=*/true);
    list = std::make_unique<TMRUFileList>();
  }
  EXPECT_EQ(list->Count(), 0u);
  EXPECT_EQ(list->SaveToIniFile(ini.c_str(), u"Recent"), 1);
  EXPECT_EQ(folder.read("mru.ini"), stored);
}

}  // namespace
