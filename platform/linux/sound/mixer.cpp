#include "platform/linux/sound/mixer.hpp"

#include <algorithm>
#include <cmath>

namespace qz::platform {
namespace {

// A 16-bit sample as a fraction of full scale.
float full_scale(std::int16_t sample) { return static_cast<float>(sample) / 32768.0F; }

}  // namespace

float soft_limit(float sample) {
  constexpr float kKnee = 0.9F;
  constexpr float kHeadroom = 1.0F - kKnee;
  const float magnitude = std::fabs(sample);
  if (magnitude <= kKnee) {
    return sample;
  }
  const float bent = kKnee + kHeadroom * std::tanh((magnitude - kKnee) / kHeadroom);
  return std::copysign(bent, sample);
}

void Mixer::start(std::shared_ptr<const Sound> wave) {
  const std::lock_guard lock(voices_mutex_);
  voices_.push_back({std::move(wave), 0});
}

void Mixer::set_level(int hundredths_of_db) {
  gain_.store(static_cast<float>(std::pow(10.0, hundredths_of_db / 2000.0)));
}

void Mixer::process(float* left, float* right, int frames) {
  const auto count = static_cast<std::size_t>(frames);
  {
    const std::lock_guard lock(voices_mutex_);
    for (Voice& voice : voices_) {
      const std::vector<std::int16_t>& samples = voice.wave->stereo_frames;
      const std::size_t total = samples.size() / 2;
      const std::size_t n = std::min(count, total - voice.next_frame);
      for (std::size_t i = 0; i < n; ++i) {
        left[i] += full_scale(samples[2 * (voice.next_frame + i)]);
        right[i] += full_scale(samples[2 * (voice.next_frame + i) + 1]);
      }
      voice.next_frame += n;
    }
    std::erase_if(voices_, [](const Voice& voice) {
      return voice.next_frame * 2 >= voice.wave->stereo_frames.size();
    });
  }
  const float gain = gain_.load();
  for (std::size_t i = 0; i < count; ++i) {
    left[i] = soft_limit(left[i] * gain);
    right[i] = soft_limit(right[i] * gain);
  }
}

}  // namespace qz::platform
