#pragma once

#include <string>

#include "resource_format/sound.hpp"

namespace qz {

// The module's sound output. Every call throws std::runtime_error naming the
// cause when it fails.
class AudioLayer {
 public:
  virtual ~AudioLayer() = default;
  // Opens the output for sounds of the kind the module's are (MIDI notes or
  // WAVE recordings), and loads or checks all that playing them takes; run
  // before the exchange file is touched, so that a module that could not
  // play fails with the host's record intact.
  virtual void start(Sound::Kind sounds) = 0;
  // Decodes `bytes`, a DMSEG resource of the module file (a Standard MIDI
  // File or a WAVE recording), which becomes the current segment, and makes
  // ready all that playing it takes (its device, the synthesizer): run
  // before the record is written, so that what could fail fails then.
  virtual void load_segment(std::string bytes) = 0;
  // Starts the current segment and returns at once while it plays.
  virtual void play_segment() = 0;
  // The per-play setting made after each play, in hundredths of a decibel.
  virtual void set_master_volume(int hundredths_of_db) = 0;
};

}  // namespace qz
