#include "shell/random_draw.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace qz {
namespace {

TEST(Draw, BordersOfTheUnitIntervalSelectOneAndN) {
  const double largest_below_one = std::nextafter(1.0, 0.0);
  for (const int n : {2, 4, 7, 75, 98, 104, 344}) {
    EXPECT_EQ(draw_of(0.0, n), 1) << n;
    EXPECT_EQ(draw_of(largest_below_one, n), n) << n;
    EXPECT_EQ(draw_of((n - 0.5) / n, n), n) << n;
  }
  EXPECT_THROW(draw_of(1.0, 4), std::logic_error);
  EXPECT_THROW(draw_of(-0.1, 4), std::logic_error);
}

TEST(ClockReseededSource, ReseedsWithinOneClockTickStillDiffer) {
  ClockReseededSource source([] { return std::uint64_t{1234}; });
  std::set<int> notes;
  for (int i = 0; i < 100; ++i) {
    const double r = source.reseed_and_next();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    notes.insert(draw_of(r, 7));
  }
  EXPECT_EQ(notes.size(), 7U) << "a frozen clock must not freeze the draws";
}

TEST(ClockReseededSource, DrawsAreRoughlyUniform) {
  std::uint64_t tick = 0;
  ClockReseededSource source([&tick] { return ++tick; });
  std::array<int, 7> counts{};
  constexpr int kDraws = 70000;
  for (int i = 0; i < kDraws; ++i) {
    ++counts[static_cast<std::size_t>(draw(source, 7) - 1)];
  }
  for (const int count : counts) {
    EXPECT_NEAR(count, kDraws / 7, 500);
  }
}

}  // namespace
}  // namespace qz
