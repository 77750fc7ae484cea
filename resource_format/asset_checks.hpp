#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qz {

// What is wrong with an asset, or nothing when it is what a module may carry:
// a baseline JPEG of 146 x 200 pixels with three components.
std::optional<std::string> jpeg_problem(std::string_view bytes);
// A Standard MIDI File whose header, track chunks and events hold together
// (parse_midi).
std::optional<std::string> midi_problem(std::string_view bytes);
// A RIFF WAVE file of 16-bit mono or stereo PCM at 44100 Hz whose chunks,
// whatever chunks stand between them, hold a format and the whole of their
// data, and fill the file as its RIFF header says (parse_wave).
std::optional<std::string> wave_problem(std::string_view bytes);

inline constexpr int kPictureWidth = 146;
inline constexpr int kPictureHeight = 200;

}  // namespace qz
