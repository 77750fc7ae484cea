#pragma once

#include <cstdint>
#include <string_view>

namespace qz {

// Every sound plays at this rate: the recordings are made at it, and the
// synthesizer renders at it.
inline constexpr int kSampleRate = 44100;

// The sound of a RIFF WAVE file of 16-bit PCM at kSampleRate.
struct WaveSound {
  int channels = 0;
  std::string_view samples;  // interleaved little-endian 16-bit, within the file's bytes
};

// Walks the file's chunks, whatever chunks stand between the format and the
// data, which must fill the file as its RIFF header says; throws
// std::runtime_error naming what is wrong.
WaveSound parse_wave(std::string_view bytes);

}  // namespace qz
