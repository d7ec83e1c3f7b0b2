#include "zefkr/UpdateList.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/FileSyscalls.h"

#include "TestRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using zefkr::testing::TestRoot;

using zefkr::testing::kCommonCopy;

// One product in the common copy: its key, folder and installed version.
struct Installed {
  std::string key;
  int version;
};

class UpdateListTest : public ::testing::Test {
protected:
  void SetUp() override { std::filesystem::create_directories(root_.path() + "/drives/c/Prod"); }

  // Registers the products and answers the detected list.
  std::unique_ptr<zefkr::TKRDetectedProductList> install(const std::vector<Installed>& products) {
    std::string procedure = "[Procedure]\r\n";
    std::string versions = "[Kestruner]\r\n";
    auto list = std::make_unique<zefkr::TKRDetectedProductList>();
    for (const Installed& product : products) {
      std::filesystem::create_directories(root_.path() + "/drives/c/Prod/P" + product.key);
      procedure += product.key + "=C:\\Prod\\P" + product.key + "\\\r\n";
      versions += product.key + "=" + std::to_string(product.version) + ",01/01/2020,\"x\"\r\n";
      zefkr::TKRDetectedProduct& detected = list->items[static_cast<size_t>(list->count++)];
      detected.found = true;
      int id = 0;
      int sub = 0;
      if (std::sscanf(product.key.c_str(), "%d.%d", &id, &sub) == 2) {
        detected.id = id;
        detected.subId = sub;
      } else if (std::sscanf(product.key.c_str(), "%d", &id) == 1) {
        detected.id = detected.subId = id;
      } else {
        detected.named = true;
        detected.name = platform::ansiToWideLenient(product.key);
      }
    }
    root_.writeFile(kCommonCopy, procedure + versions);
    return list;
  }

  int32_t parse(const std::string& listText, const zefkr::TKRDetectedProductList& products,
                const char16_t* processList = u"*") {
    root_.writeFile("list.ini", listText);
    const std::u16string path = platform::ansiToWideLenient(root_.path() + "/list.ini");
    return KRParseUpdateInfo(path.c_str(), products, *updates_, processList);
  }

  // A row of 11 fields with the given version, priority and file field.
  static std::string row(const std::string& key, const std::string& version, const std::string& priority = "1",
                         const std::string& file = "f.exe") {
    return key + "=" + version + "|01/02/2024|" + priority + "|Update " + key + "|dir|" + file +
           "|RUN|/S {$dst}|x|1| Fix [beta] done \r\n";
  }

  TestRoot root_;
  std::unique_ptr<zefkr::TKRUpdateInfoList> updates_ = std::make_unique<zefkr::TKRUpdateInfoList>();
};

TEST_F(UpdateListTest, VersionAndMinimumRules) {
  struct Case {
    const char* name;
    std::string key;
    int installed;
    std::string field0;
    int32_t version;  // 0: the row is skipped
    bool negative;
  };
  const Case cases[] = {
      {"below the minimum", "12", 499, "500:512", 0, false},
      {"minimum met, no hundred test", "12", 505, "500:512", 512, false},
      {"other hundred", "12", 598, "612", 0, false},
      {"same hundred", "12", 605, "612", 612, false},
      {"negative version", "12", 605, "-612", 612, true},
      {"special product ignores the minimum", "40", 600, "700:650", 650, false},
      {"not newer", "12", 612, "612", 0, false},
      {"version 0", "12", 605, "0", 0, false},
      {"not a number", "12", 605, "6x2", 0, false},
      {"half a pair", "12", 605, "500:", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto products = install({{c.key, c.installed}});
    const int32_t count = parse("[" + c.key + "]\r\n" + row("A1", c.field0), *products);
    ASSERT_EQ(count, c.version ? 1 : 0);
    if (!c.version) continue;
    const zefkr::TKRUpdateInfo& update = updates_->items[0];
    EXPECT_EQ(update.version, c.version);
    EXPECT_EQ((update.status & zefkr::kUpdateNegativeVersion) != 0, c.negative);
  }
}

TEST_F(UpdateListTest, RecordFields) {
  platform::VirtualClock clock;
  platform::ScopedClock useClock(clock);
  const auto products = install({{"12.3", 600}});
  const int32_t count =
      parse("[12.3]\r\n" + row("Upd1", "601", "1", "*2*setup.exe") + row("UPD2", "602", "1", "*inst.exe") +
                "Upd3=603|30/02/2024|x|N|d|\"a|b\"|IniSec|Sect|y|z|note\r\n" +
                "Upd4=604|01/02/2024|1|N|d|f|run|p|y|z\r\n",  // ten fields
            *products);
  ASSERT_EQ(count, 3);
  const zefkr::TKRUpdateInfo& first = updates_->items[0];
  EXPECT_EQ(first.key, u"upd1");
  EXPECT_EQ(first.productId, 12);
  EXPECT_EQ(first.productSubId, 3);
  EXPECT_EQ(first.dateText, u"01/02/2024");
  EXPECT_EQ(first.date, platform::EncodeDate(2024, 2, 1));
  EXPECT_EQ(first.name, u"Update Upd1");
  EXPECT_EQ(first.folder, u"dir");
  EXPECT_EQ(first.mirror, 2);
  EXPECT_EQ(first.fileName, u"setup.exe");
  EXPECT_EQ(first.kind, u"run");
  EXPECT_EQ(first.parameters, u"/S {$dst}");
  EXPECT_EQ(first.restartLevel, 1);
  EXPECT_EQ(first.note, u"Fix [beta] done");
  EXPECT_EQ(first.productFolder, u"C:\\Prod\\P12.3");
  EXPECT_TRUE(first.selected);
  EXPECT_EQ(updates_->items[1].mirror, 0);
  EXPECT_EQ(updates_->items[1].fileName, u"inst.exe");
  // An invalid date is the current time less one day; bad numbers read as 0.
  const zefkr::TKRUpdateInfo& third = updates_->items[2];
  EXPECT_DOUBLE_EQ(third.date, platform::Now() - 1.0);
  EXPECT_EQ(third.priority, 0);
  EXPECT_EQ(third.restartLevel, 0);
  EXPECT_EQ(third.fileName, u"a|b");
  EXPECT_EQ(third.kind, u"inisec");
  EXPECT_EQ(updates_->SelectedCount(), 3);
}

TEST_F(UpdateListTest, ProcessListFilter) {
  struct Case {
    const char16_t* list;
    std::vector<std::string> admitted;
  };
  const Case cases[] = {
      {u"12,15", {"12", "15"}}, {u"12, 15", {"12"}}, {u"*", {"1", "2", "12", "15"}}, {u"", {}}, {u"1", {"1"}},
  };
  for (const Case& c : cases) {
    for (const char* key : {"1", "2", "12", "15"}) {
      const bool want = std::find(c.admitted.begin(), c.admitted.end(), key) != c.admitted.end();
      const std::u16string wide = platform::ansiToWideLenient(key);
      EXPECT_EQ(zefkr::processListAdmits(c.list, wide), want) << platform::wideToAnsiLenient(c.list) << " / " << key;
    }
    // The special products are never filtered.
    EXPECT_TRUE(zefkr::processListAdmits(c.list, u"40"));
    EXPECT_TRUE(zefkr::processListAdmits(c.list, u"VKRTools"));
  }
  const auto products = install({{"1", 100}, {"12", 100}, {"15", 100}});
  EXPECT_EQ(parse("[1]\r\n" + row("a", "101") + "[12]\r\n" + row("b", "101") + "[15]\r\n" + row("c", "101"), *products,
                  u"12,15"),
            2);
}

TEST_F(UpdateListTest, PrioritiesAndTheExclusiveUpdate) {
  struct Case {
    std::vector<std::string> priorities;  // in file order
    std::vector<int32_t> result;
  };
  const Case cases[] = {
      {{"5", "-3", "7"}, {7, -3, 5}},
      {{"5", "-5"}, {-5}},
      {{"-8", "5"}, {-8}},
      {{"-3", "5"}, {5, -3}},
  };
  for (const Case& c : cases) {
    const auto products = install({{"12", 600}});
    std::string text = "[12]\r\n";
    for (size_t i = 0; i < c.priorities.size(); ++i) {
      text += row("u" + std::to_string(i), std::to_string(601 + i), c.priorities[i]);
    }
    const int32_t count = parse(text, *products);
    std::vector<int32_t> got;
    for (int32_t i = 0; i < count; ++i) got.push_back(updates_->items[static_cast<size_t>(i)].priority);
    EXPECT_EQ(got, c.result) << c.priorities[0];
  }
}

TEST_F(UpdateListTest, ContinuationSectionsUpToTheFirstMissingOne) {
  const auto products = install({{"40", 600}});
  const int32_t count = parse("[40]\r\n" + row("a", "601") + "[40_$_1_$_]\r\n" + row("b", "602") + "[40_$_2_$_]\r\n" +
                                  row("c", "603") + "[40_$_4_$_]\r\n" + row("d", "604"),
                              *products);
  EXPECT_EQ(count, 3);
  // A product without rows in its main section is skipped.
  EXPECT_EQ(parse("[40_$_1_$_]\r\n" + row("b", "602"), *products), 0);
  // A missing list file gives nothing.
  const std::u16string missing = platform::ansiToWideLenient(root_.path() + "/none.ini");
  EXPECT_EQ(KRParseUpdateInfo(missing.c_str(), *products, *updates_, u"*"), 0);
}

TEST_F(UpdateListTest, NoMoreThan2000Updates) {
  const auto products = install({{"12", 600}});
  // 2,100 rows in 21 sections of 100 (the main one and its continuations),
  // and in one section far larger than any fixed read buffer.
  for (const int sections : {21, 1}) {
    SCOPED_TRACE(sections);
    const int rowsPerSection = 2100 / sections;
    std::string text;
    for (int section = 0; section < sections; ++section) {
      text += section == 0 ? std::string("[12]\r\n") : "[12_$_" + std::to_string(section) + "_$_]\r\n";
      for (int i = 0; i < rowsPerSection; ++i) text += row("k" + std::to_string(section * rowsPerSection + i), "601");
    }
    EXPECT_EQ(parse(text, *products), 2000);
  }
}

// A list that fans out into 20,000 continuation sections is read in one
// pass: every section counts, and the list file is opened once, not once
// per section looked up.
TEST_F(UpdateListTest, FanOutListIsReadInOnePass) {
  const auto products = install({{"12", 600}});
  constexpr int kSections = 20000;
  std::string text = "[12]\r\n" + row("k0", "600");
  for (int section = 1; section < kSections; ++section) {
    const std::string version = section + 1 == kSections ? "601" : "600";
    text += "[12_$_" + std::to_string(section) + "_$_]\r\n" + row("k" + std::to_string(section), version);
  }
  static std::string listPath;
  static int listOpens;
  listPath = root_.path() + "/list.ini";
  listOpens = 0;
  platform::ScopedFileSyscalls restore;
  platform::fileSyscalls().open = [](const char* path, int flags, mode_t mode) {
    if (listPath == path) ++listOpens;
    return platform::defaultFileSyscalls().open(path, flags, mode);
  };
  ASSERT_EQ(parse(text, *products), 1);
  EXPECT_EQ(updates_->items[0].key, u"k19999");
  EXPECT_EQ(listOpens, 1);
}

// A list beyond the size, section or line bound is not read at all: no
// updates.
TEST_F(UpdateListTest, ListsBeyondTheBoundsGiveNoUpdates) {
  const auto products = install({{"12", 600}});
  const std::string taken = "[12]\r\n" + row("a", "601");
  ASSERT_EQ(parse(taken, *products), 1);
  std::string manySections = taken;
  for (size_t section = 0; section < zefkr::kMaxUpdateListSections; ++section) manySections += "[s]\r\n";
  EXPECT_EQ(parse(manySections, *products), 0);
  std::string tooLarge = taken + ";";
  tooLarge.resize(zefkr::kMaxUpdateListBytes + 1, 'x');
  EXPECT_EQ(parse(tooLarge, *products), 0);
  // Within the size bound, but lines enough to take hundreds of MB once read.
  EXPECT_EQ(parse(taken + std::string(zefkr::kMaxUpdateListLines, '\n'), *products), 0);
}

TEST_F(UpdateListTest, SelectingWithDependants) {
  const auto products = install({{"12", 600}, {"15", 600}});
  ASSERT_EQ(parse("[12]\r\n" + row("a", "601", "9") + row("b", "602", "8") + row("c", "603", "6") + "[15]\r\n" +
                      row("d", "601", "7"),
                  *products),
            4);
  // File order after the sort: a(12) b(12) d(15) c(12).
  ASSERT_EQ(updates_->items[2].productId, 15);
  EXPECT_EQ(SetSelectedWithDependants(*updates_, 0, false), 3);
  for (int i : {0, 1, 3}) EXPECT_FALSE(updates_->items[static_cast<size_t>(i)].selected) << i;
  EXPECT_TRUE(updates_->items[2].selected);
  EXPECT_EQ(updates_->SelectedCount(), 1);
  EXPECT_EQ(SetSelectedWithDependants(*updates_, 3, true), 3);
  EXPECT_EQ(updates_->SelectedCount(), 4);
  EXPECT_EQ(SetSelectedWithDependants(*updates_, 1, false), 2);
  EXPECT_TRUE(updates_->items[0].selected);
  EXPECT_EQ(SetSelectedWithDependants(*updates_, 4, true), 0);
  EXPECT_EQ(SetSelectedWithDependants(*updates_, -1, true), 0);
}

TEST_F(UpdateListTest, MutatedListFilesStayWithinBounds) {
  const auto products = install({{"12", 600}, {"40", 600}, {"Tools", 600}});
  const std::string seed = "[12]\r\n" + row("a", "500:601", "-2", "*3*x.exe") + row("b", "602") + "[12_$_1_$_]\r\n" +
                           row("c", "-603", "4") + "[40]\r\n" + row("d", "601") + "[Tools]\r\n" +
                           row("e", "650", "1", "\"q|r\"");
  std::mt19937 random(20261210);
  const std::string alphabet = "[]=|*:\"\r\n0123456789-_$ abcX{}\\/";
  int parsed = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text = seed;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % (text.size() + 1);
      switch (random() % 4) {
        case 0: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
        case 1:
          if (at < text.size()) text.erase(at, 1);
          break;
        case 2:
          if (at < text.size()) text[at] = static_cast<char>(random() % 256);
          break;
        case 3: text.insert(at, std::string(random() % 5000, 'z')); break;
      }
    }
    const int32_t count = parse(text, *products);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, zefkr::kMaxUpdates);
    for (int32_t i = 0; i < count; ++i) {
      const zefkr::TKRUpdateInfo& update = updates_->items[static_cast<size_t>(i)];
      EXPECT_GT(update.version, 0);
      EXPECT_LE(update.note.size(), zefkr::kMaxRowValueLength);
      EXPECT_LE(update.fileName.size(), zefkr::kMaxRowValueLength);
      EXPECT_FALSE(update.key.empty());
      EXPECT_EQ(update.status & ~uint32_t{zefkr::kUpdateNegativeVersion}, 0u);
    }
    ++parsed;
  }
  EXPECT_EQ(parsed, 300);
}

}  // namespace
