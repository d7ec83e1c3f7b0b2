#include "zefcorek/ZefStdCode.h"

#include <gtest/gtest.h>

namespace {

TEST(NullCodeTest, OneStaticNullCodeForTheProcess) {
  const CodesDB::TZefStdCode* nullCode = CodesDB::cdbGetNullCode();
  ASSERT_NE(nullCode, nullptr);
  EXPECT_TRUE(nullCode->IsNull());
  EXPECT_EQ(&CodesDB::TZefStdCode::NullCode(), nullCode);
  EXPECT_EQ(CodesDB::cdbGetNullCode(), nullCode);
  EXPECT_TRUE(CodesDB::TZefStdCode().IsNull());
}

}  // namespace
