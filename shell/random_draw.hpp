#pragma once

#include <cstdint>
#include <functional>

namespace qz {

// Source of the uniform values behind every random choice. Each call
// reseeds from the clock, then yields one value r with 0 <= r < 1.
class UniformSource {
 public:
  virtual ~UniformSource() = default;
  virtual double reseed_and_next() = 0;
};

// Reseeds by mixing the clock reading into the generator's running state,
// so that two reseeds within one clock tick still give different values
// (a generator restarted from an unchanged clock would repeat its value,
// and a step that redraws until it finds an unused note would never end).
class ClockReseededSource final : public UniformSource {
 public:
  explicit ClockReseededSource(std::function<std::uint64_t()> clock_ticks);
  double reseed_and_next() override;

 private:
  std::function<std::uint64_t()> clock_ticks_;
  std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

// The largest whole number not above r * n, plus one: a value in 1..n for
// r in [0, 1). Kept in a 16-bit integer, as the window's variables are.
std::int16_t draw_of(double r, int n);

// One draw of n: reseed, take r, return draw_of(r, n).
std::int16_t draw(UniformSource& source, int n);

}  // namespace qz
