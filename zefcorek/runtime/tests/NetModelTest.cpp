#include "zefcorek/NetModel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NetModelTest, AddressOfAName) {
  struct Case {
    const char16_t* domain;
    const char16_t* address;
  } cases[] = {
      {u"127.0.0.1", u"127.0.0.1"},
      {u"::1", u"::1"},         // the first address is IPv6
      {u"localhost", nullptr},  // either family, as the resolver orders them
  };
  for (const Case& c : cases) {
    WCHAR out[64];
    std::fill(std::begin(out), std::end(out), u'#');
    ASSERT_EQ(netmodelIPFromDomain(c.domain, out, 64), 0);
    std::u16string text(out);
    if (c.address != nullptr) {
      EXPECT_EQ(text, c.address);
    } else {
      EXPECT_TRUE(text == u"127.0.0.1" || text == u"::1");
    }
    EXPECT_EQ(out[63], u'\0') << "the unused rest is zero-filled";
  }
}

TEST(NetModelTest, ShortBuffersAreCutAndTerminated) {
  WCHAR out[8];
  std::fill(std::begin(out), std::end(out), u'#');
  ASSERT_EQ(netmodelIPFromDomain(u"127.0.0.1", out, 4), 0);
  EXPECT_EQ(std::u16string(out), u"127");
  EXPECT_EQ(out[4], u'#') << "nothing is written past outLength";
}

TEST(NetModelTest, FailuresLeaveTheBufferAlone) {
  WCHAR out[16] = u"untouched";
  EXPECT_EQ(netmodelIPFromDomain(u"no-such-host.invalid", out, 16), 2);
  EXPECT_EQ(netmodelIPFromDomain(nullptr, out, 16), 2);
  EXPECT_EQ(netmodelIPFromDomain(u"127.0.0.1", out, 0), 2);
  EXPECT_EQ(std::u16string(out), u"untouched");
  EXPECT_EQ(netmodelIPFromDomain(u"127.0.0.1", nullptr, 16), 2);
}

TEST(NetModelTest, ScramblingIsAFixedSubstitution) {
  struct Case {
    std::u16string plain;
    std::u16string scrambled;
  } cases[] = {
      {u"", u""},
      {u"_09azAZ", u"_36qmMQ"},  // the ends of each run of the alphabet
      {u"user name: p@ss!", u"xltk fqdt: h@ll!"},
      {u"àé €", u"àé €"},  // outside the alphabet: kept
      {u"aaa", u"qqq"},    // no position dependence
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zefcorek::scrambleNetText(c.plain), c.scrambled);
    EXPECT_EQ(zefcorek::unscrambleNetText(c.scrambled), c.plain);
  }
  // The exported forms on string records, in place as well.
  CLWideStr plain(std::u16string(u"Proxy_User 42"));
  CLWideStr scrambled;
  EXPECT_TRUE(netmodelCryptString(plain, scrambled));
  EXPECT_EQ(scrambled.ToUnicodeString(), zefcorek::scrambleNetText(u"Proxy_User 42"));
  EXPECT_TRUE(netmodelDecryptString(scrambled, scrambled));
  EXPECT_EQ(scrambled.ToUnicodeString(), u"Proxy_User 42");

  // Every character of the alphabet round-trips.
  std::u16string all = u"_0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  EXPECT_EQ(zefcorek::unscrambleNetText(zefcorek::scrambleNetText(all)), all);
}

}  // namespace
