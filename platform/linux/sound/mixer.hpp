#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "resource_format/sound.hpp"

namespace qz::platform {

// What the output stream adds to the synthesizer's block: the WAVE
// recordings that are playing, then the master level and a soft limiter so
// that +12 dB never clips. Recordings are started from the window's thread
// and mixed on the audio thread.
class Mixer {
 public:
  void start(std::shared_ptr<const Sound> wave);
  // Master level in hundredths of a decibel: 1200 is +12 dB, 0 unchanged.
  void set_level(int hundredths_of_db);
  // Adds the playing recordings to `left` and `right` (frames samples each,
  // already holding the synthesizer's output), then applies level and limiter.
  void process(float* left, float* right, int frames);

 private:
  struct Voice {
    std::shared_ptr<const Sound> wave;
    std::size_t next_frame = 0;
  };
  std::mutex voices_mutex_;
  std::vector<Voice> voices_;
  std::atomic<float> gain_{1.0F};
};

// Leaves samples up to 0.9 as they are and bends louder ones smoothly
// towards 1, so that no level ever clips.
float soft_limit(float sample);

}  // namespace qz::platform
