#include "zefcorek/ZefStdCode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NullCodeTest, OneStaticNullCodeForTheProcess) {
  const CodesDB::TZefStdCode* nullCode = CodesDB::cdbGetNullCode();
  ASSERT_NE(nullCode, nullptr);
  EXPECT_TRUE(nullCode->IsEmpty());
  EXPECT_EQ(nullCode->GetHash(), -1);
  EXPECT_EQ(std::u16string(nullCode->c_str()), u"");
  EXPECT_EQ(&CodesDB::TZefStdCode::NullCode(), nullCode);
  EXPECT_EQ(CodesDB::cdbGetNullCode(), nullCode);
  // Only a code without a record becomes 'A(2)' as a duplicate; an emptied
  // one becomes '(2)'.
  CodesDB::TZefStdCode copy(*nullCode);
  EXPECT_EQ(std::u16string(copy.MakeDuplicate().c_str()), u"A(2)");
}

}  // namespace
