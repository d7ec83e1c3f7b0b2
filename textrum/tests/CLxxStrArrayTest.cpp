#include "textrum/LStr.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<CLWideStr*> itemsOf(const CLWideStrArray& array) {
  std::vector<CLWideStr*> items;
  for (int i = 0; i < array.Count(); ++i) items.push_back(array[i]);
  return items;
}

TEST(CLxxStrArrayTest, GrowsByItsStepAndKeepsItemAddresses) {
  CLWideStrArray array;
  EXPECT_EQ(array.Allocated(), 0);
  array.Add(u"0");
  EXPECT_EQ(array.Allocated(), 8);
  for (int i = 1; i < 8; ++i) array.Add(u"x");
  const std::vector<CLWideStr*> before = itemsOf(array);

  array.Add(u"8");
  EXPECT_EQ(array.Allocated(), 16);
  EXPECT_EQ(array.Count(), 9);
  const std::vector<CLWideStr*> after = itemsOf(array);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
  EXPECT_EQ(array[0]->ToUnicodeString(), u"0");
  EXPECT_EQ(array[8]->ToUnicodeString(), u"8");
  for (const CLWideStr* item : after) EXPECT_TRUE(item->OwnsRecord());
}

TEST(CLxxStrArrayTest, GrowStepDefaultsForZeroOrLess) {
  for (int step : {0, -3}) EXPECT_EQ(CLWideStrArray(step).GrowStep(), 8);
  CLAnsiStrArray array(3);
  for (int i = 0; i < 4; ++i) array.Add("a");
  EXPECT_EQ(array.Allocated(), 6);
}

TEST(CLxxStrArrayTest, GrowAddsItemsOnlyWhenFewerThanAStepAreFree) {
  CLWideStrArray array(4);
  array.Grow();
  EXPECT_EQ(array.Allocated(), 4);
  array.Grow();  // four free: nothing to do
  EXPECT_EQ(array.Allocated(), 4);
  array.Add(u"a");
  array.Grow();
  EXPECT_EQ(array.Allocated(), 8);
}

TEST(CLxxStrArrayTest, ClearKeepsOrFreesItems) {
  CLWideStrArray array;
  for (int i = 0; i < 10; ++i) array.Add(u"item");
  CLWideStr* first = array[0];
  array.Clear(/*keepItems=*/true);
  EXPECT_EQ(array.Count(), 0);
  EXPECT_EQ(array.Allocated(), 16);
  EXPECT_EQ(first->ToUnicodeString(), u"item");  // still alive
  array.Add(u"again");
  EXPECT_EQ(array[0], first);

  array.Clear(/*keepItems=*/false);
  EXPECT_EQ(array.Count(), 0);
  EXPECT_EQ(array.Allocated(), 0);
  array.Add(u"fresh");  // usable after a full clear
  EXPECT_EQ(array.Count(), 1);
  // The destructor frees the rest; the sanitizer build reports any leak.
}

TEST(CLxxStrArrayTest, MovingHandsOverEveryItem) {
  CLAnsiStrArray source;
  source.Add("a");
  source.Add("b");
  CLAnsiStr* item = source[1];
  CLAnsiStrArray target(std::move(source));
  EXPECT_EQ(target.Count(), 2);
  EXPECT_EQ(target[1], item);
  EXPECT_EQ(source.Count(), 0);
  EXPECT_EQ(source.Allocated(), 0);

  CLAnsiStrArray other;
  other.Add("replaced");
  other = std::move(target);
  EXPECT_EQ(other[1]->Text(), "b");
  source.Add("source still usable");
}

}  // namespace
