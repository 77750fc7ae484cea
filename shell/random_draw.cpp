#include "shell/random_draw.hpp"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace qz {
namespace {

// SplitMix64 finaliser: a full-avalanche mix of 64 bits.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30U)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27U)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31U);
}

}  // namespace

ClockReseededSource::ClockReseededSource(std::function<std::uint64_t()> clock_ticks)
    : clock_ticks_(std::move(clock_ticks)) {}

double ClockReseededSource::reseed_and_next() {
  state_ = mix(state_ ^ mix(clock_ticks_()));
  constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
  return static_cast<double>(mix(state_) >> 11U) * kTwoToMinus53;
}

std::int16_t draw_of(double r, int n) {
  if (!(r >= 0.0 && r < 1.0) || n < 1 || n > 32767) {
    throw std::logic_error("draw outside [0, 1) or of an impossible count");
  }
  return static_cast<std::int16_t>(std::floor(r * n) + 1);
}

std::int16_t draw(UniformSource& source, int n) { return draw_of(source.reseed_and_next(), n); }

}  // namespace qz
