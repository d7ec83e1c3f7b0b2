#include "platform/Resources.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

namespace {

HINSTANCE fakeModule(uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

TEST(ResourcesTest, StringsAreFoundByBlockAndEntry) {
  const HINSTANCE module = fakeModule(0x1000);
  const HINSTANCE other = fakeModule(0x2000);
  platform::registerStringResources(
      module, {{0, u"zero"}, {15, u"last of block 1"}, {16, u"first of block 2"}, {100, u"\u00E8"}});
  struct Case {
    HINSTANCE module;
    UINT id;
    std::optional<std::u16string> text;
  };
  const Case cases[] = {
      {module, 0, u"zero"},        {module, 15, u"last of block 1"}, {module, 16, u"first of block 2"},
      {module, 100, u"\u00E8"},    {module, 1, std::nullopt},  // block exists, entry empty
      {module, 200, std::nullopt},                             // block missing
      {other, 0, std::nullopt},                                // module without a table
  };
  for (const Case& c : cases) EXPECT_EQ(platform::findStringResource(c.module, c.id), c.text) << c.id;

  char16_t buffer[5];
  EXPECT_EQ(LoadStringW(module, 16, buffer, 5), 4);  // cut to fit, terminated
  EXPECT_EQ(std::u16string(buffer), u"firs");
  EXPECT_EQ(LoadStringW(module, 1, buffer, 5), 0);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadStringW(module, 0, buffer, 0), 0);

  platform::unregisterStringResources(module);
  EXPECT_EQ(platform::findStringResource(module, 0), std::nullopt);
}

TEST(ResourcesTest, ModuleHandleOfOwnCode) {
  const HINSTANCE self = platform::moduleHandleOf(reinterpret_cast<const void*>(&fakeModule));
  EXPECT_NE(self, nullptr);
  EXPECT_NE(self, platform::moduleHandleOf(reinterpret_cast<const void*>(&LoadStringW)));
}

}  // namespace
