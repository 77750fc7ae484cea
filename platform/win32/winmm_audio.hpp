#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/audio.hpp"

namespace qz::platform {

// Sound with nothing to install: MIDI segments stream to the system's MIDI
// mapper (on every Windows, its General MIDI synthesizer), WAVE segments to
// the wave mapper. start() opens the device of the module's kind of sound,
// and only that one, so that a machine without it fails before the
// exchange file is touched: the note modules need no wave output, nor
// instruments a MIDI one.
//
// The per-play level, in hundredths of a decibel, sets each device's volume
// as a gain over a reference, never beyond the device's full volume: MIDI's
// reference is 12 dB below full, so the note modules' 1200 gives the note
// full volume; WAVE's reference is full volume, so the instruments' 0 plays
// the recordings at unity.
class WinmmAudio final : public AudioLayer {
 public:
  WinmmAudio() = default;
  WinmmAudio(const WinmmAudio&) = delete;
  WinmmAudio& operator=(const WinmmAudio&) = delete;
  WinmmAudio(WinmmAudio&&) = delete;
  WinmmAudio& operator=(WinmmAudio&&) = delete;
  ~WinmmAudio() override;

  void start(Sound::Kind sounds) override;
  void load_segment(std::string bytes) override;
  void play_segment() override;
  void set_master_volume(int hundredths_of_db) override;

 private:
  // A segment ready for its device: MIDIEVENT records or 16-bit stereo frames.
  struct Segment {
    bool is_midi = false;
    int ticks_per_quarter = 0;
    std::vector<DWORD> midi_events;
    std::vector<std::int16_t> wave_frames;
  };
  void open_midi();
  void open_wave();
  void stop_midi();
  void stop_wave();

  HMIDISTRM midi_ = nullptr;
  HWAVEOUT wave_ = nullptr;
  Segment loaded_;   // the current segment
  Segment playing_;  // what the devices play: kept until they stop
  MIDIHDR midi_header_{};
  WAVEHDR wave_header_{};
};

}  // namespace qz::platform
