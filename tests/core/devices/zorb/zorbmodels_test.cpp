#include "core/devices/zorb/zorbmodels.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

TEST(ZorbModels, OnlyPulseOutputModelsExchange) {
  std::string got;
  for (int model = 0; model <= 16; ++model) got += zorbHasPulseOutput(model) ? '1' : '0';
  EXPECT_EQ(got, "01100001111111111");
  // No model, no pulse output.
  EXPECT_FALSE(zorbHasPulseOutput(-1));
  EXPECT_FALSE(zorbHasPulseOutput(17));
  EXPECT_THROW(zorbModel(17), std::out_of_range);
  EXPECT_THROW(zorbModel(-1), std::out_of_range);
}

}  // namespace
