#include "core/base/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

TEST(Errors, OsErrorCarriesCodeAndSystemText) {
  win_error e(ENOENT);
  EXPECT_EQ(e.code(), ENOENT);
  EXPECT_EQ(std::string(e.what()).rfind("System Error.  Code: 2.\r\n", 0), 0u);
  EXPECT_GT(std::string(e.what()).size(), std::string("System Error.  Code: 2.\r\n").size());
}

TEST(Errors, CheckedRejectsNonFiniteValues) {
  EXPECT_DOUBLE_EQ(checked(1.5), 1.5);
  EXPECT_THROW(checked(std::numeric_limits<double>::infinity()), MathError);
  EXPECT_THROW(checked(std::nan("")), MathError);
}
