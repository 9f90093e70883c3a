// The run time's rounding of numbers to whole ones (CLng, CInt and every twips-to-pixels step).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "forms/types.h"

namespace quillon::forms {
namespace {

TEST(RoundingTest, HalvesGoToTheEvenNeighbourAsTheRunTimeDoes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double x : {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 0.49999999999999994, 6847.5, -0.3, 0.0,
                         -0.0, 4503599627370495.5, 4503599627370497.0, 1e300, -1e300, inf, -inf})
    EXPECT_TRUE(round_half_even(x) == std::nearbyint(x) &&
                std::signbit(round_half_even(x)) == std::signbit(std::nearbyint(x)))
        << x;
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> any(-1e7, 1e7);
  for (int i = 0; i < 100000; ++i) {
    const double x = i % 2 ? any(random) : std::floor(any(random)) + 0.5;
    ASSERT_EQ(round_half_even(x), std::nearbyint(x)) << x;
  }
  EXPECT_TRUE(std::isnan(round_half_even(nan)));
  EXPECT_EQ(to_long(2.5), 2);
  EXPECT_EQ(to_integer(-3.5), -4);
  EXPECT_THROW(to_long(nan), std::exception);
  EXPECT_THROW(to_integer(32767.5), std::exception);
}

}  // namespace
}  // namespace quillon::forms
