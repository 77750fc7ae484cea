#pragma once

#include "shell/audio.hpp"

namespace qz::platform {

// An output that plays nothing: every call succeeds. Stands in where the
// sound is not what is measured (the request-cycle benchmark).
class SilentAudio final : public AudioLayer {
 public:
  void start(Sound::Kind /*sounds*/) override {}
  void load_segment(std::string /*bytes*/) override {}
  void play_segment() override {}
  void set_master_volume(int /*hundredths_of_db*/) override {}
};

}  // namespace qz::platform
