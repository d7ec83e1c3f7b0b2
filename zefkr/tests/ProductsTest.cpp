#include "zefkr/Products.h"

#include "platform/CodePage.h"

#include "TestRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using zefkr::testing::TestRoot;

using zefkr::testing::kCommonCopy;
using zefkr::testing::kUserCopy;

class ProductsTest : public ::testing::Test {
protected:
  void SetUp() override {
    root_.writeFile("program/ZefKR.ini", "[Modules]\r\n12=Alpha\r\n3=Beta\r\n7=Gamma\r\nTools=Tool Suite\r\n");
    zefkr::moduleTable().Load(platform::ansiToWideLenient(root_.path() + "/program/ZefKR.ini"), u"fallback");
    for (const char* folder : {"A", "B", "C", "T"}) makeFolder(folder);
  }
  void TearDown() override { zefkr::moduleTable().Load(u"", u""); }

  void makeFolder(const std::string& name) {
    std::filesystem::create_directories(root_.path() + "/drives/c/Prod/" + name);
  }
  std::unique_ptr<zefkr::TKRDetectedProductList> detect() {
    auto list = std::make_unique<zefkr::TKRDetectedProductList>();
    KRDetectProducts(*list);
    return list;
  }

  TestRoot root_;
};

TEST_F(ProductsTest, ProcedureLinesByKeyForm) {
  root_.writeFile(kCommonCopy,
                  "[Procedure]\r\n"
                  "12.3=C:\\Prod\\A\r\n"
                  "7= C:\\Prod\\B \r\n"
                  "Tools=C:\\Prod\\T\r\n"
                  "12.-1=C:\\Prod\\A\r\n"
                  "8=\r\n"
                  "-4=C:\\Prod\\C\r\n"
                  "99=C:\\Prod\\C\r\n"
                  "5=C:\\Prod\\Missing\r\n");
  const auto list = detect();
  struct Want {
    bool named;
    int32_t id, subId;
    const char16_t* name;
    const char16_t* caption;
    const char16_t* key;
    bool found;
  };
  const Want wants[] = {
      {false, 12, 3, u"", u"Alpha (Beta)", u"12.3", true},     {false, 7, 7, u"", u"Gamma", u"7", true},
      {true, -1, -1, u"Tools", u"Tool Suite", u"Tools", true}, {false, 99, 99, u"", u"fallback [99]", u"99", true},
      {false, 5, 5, u"", u"fallback [5]", u"5", false},
  };
  ASSERT_EQ(list->count, static_cast<int32_t>(std::size(wants)));
  for (size_t i = 0; i < std::size(wants); ++i) {
    SCOPED_TRACE(i);
    const zefkr::TKRDetectedProduct& product = list->items[i];
    EXPECT_EQ(product.named, wants[i].named);
    EXPECT_EQ(product.id, wants[i].id);
    EXPECT_EQ(product.subId, wants[i].subId);
    EXPECT_EQ(product.name, wants[i].name);
    EXPECT_EQ(product.caption, wants[i].caption);
    EXPECT_EQ(zefkr::productKey(product), wants[i].key);
    EXPECT_EQ(product.found, wants[i].found);
    EXPECT_EQ(product.copyIndex, 0);
  }
  EXPECT_EQ(list->items[1].folder, u"C:\\Prod\\B");
  EXPECT_EQ(KRModuleNameByKey(u"tools"), u"fallback [tools]");
}

TEST_F(ProductsTest, AProductInTwoCopiesIsListedOnceWhenFound) {
  struct Case {
    const char* name;
    const char* firstFolder;
    int32_t count;
  };
  const Case cases[] = {{"first folder exists", "A", 1}, {"first folder missing", "Missing", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_.writeFile(kCommonCopy, std::string("[Procedure]\r\n7=C:\\Prod\\") + c.firstFolder + "\r\n");
    root_.writeFile(kUserCopy, "[Procedure]\r\n7=C:\\Prod\\B\r\n");
    const auto list = detect();
    ASSERT_EQ(list->count, c.count);
    EXPECT_EQ(list->items[static_cast<size_t>(c.count - 1)].copyIndex, c.count - 1);
    EXPECT_TRUE(KRIsProductListed(list->items[0], *list) || !list->items[0].found);
  }
}

TEST_F(ProductsTest, NoMoreThan500Products) {
  std::string text = "[Procedure]\r\n";
  for (int i = 0; i < 510; ++i) text += std::to_string(1000 + i) + "=C:\\Prod\\A\r\n";
  root_.writeFile(kCommonCopy, text);
  const auto list = detect();
  EXPECT_EQ(list->count, 500);
  EXPECT_EQ(list->items[499].id, 1499);
}

TEST_F(ProductsTest, MissingCopiesAndTableGiveFallbacks) {
  zefkr::moduleTable().Load(u"", u"fallback");
  EXPECT_EQ(detect()->count, 0);
  root_.writeFile(kUserCopy, "[Procedure]\r\n12=C:\\Prod\\A\r\n");
  const auto list = detect();
  ASSERT_EQ(list->count, 1);
  EXPECT_EQ(list->items[0].caption, u"fallback [12]");
  EXPECT_EQ(list->items[0].copyIndex, 1);
}

}  // namespace
