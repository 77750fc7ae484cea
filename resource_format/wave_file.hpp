#pragma once

#include <cstdint>
#include <string_view>

namespace qz {

// The sound of a RIFF WAVE file of 16-bit PCM at 44100 Hz.
struct WaveSound {
  int channels = 0;
  std::string_view samples;  // interleaved little-endian 16-bit, within the file's bytes
};

inline constexpr int kWaveSampleRate = 44100;

// Walks the file's chunks, whatever chunks stand between the format and the
// data, which must fill the file as its RIFF header says; throws
// std::runtime_error naming what is wrong.
WaveSound parse_wave(std::string_view bytes);

}  // namespace qz
