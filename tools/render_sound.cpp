// Writes the sound a module plays for a question as a WAVE file, for hosts
// that play it elsewhere (the web host sends it to the pupil's browser):
//
//   qzsound FILE NAME [OUT]   the DMSEG resource NAME of module file FILE,
//                             to OUT or stdout
//
// A recording is written as the module file carries it. A MIDI note is
// rendered offline through the modules' own synthesizer, soundfont and
// calibration, at the level the module sets after playing it, for as long
// as the module lets it sound (from the countdown's press to the end).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "modules/module_table.hpp"
#include "platform/linux/fluid_setup.hpp"
#include "platform/resource_file.hpp"
#include "resource_format/sound.hpp"
#include "shell/paths.hpp"

namespace {

using qz::kSampleRate;

// The countdown of the module whose file is named `file_name` (its record
// literal); nothing for a module without sound.
std::optional<qz::Countdown> countdown_of_module(std::string_view file_name) {
  for (const qz::modules::ModuleRow& row : qz::modules::module_table()) {
    if (row.literal == file_name) {
      return row.countdown;
    }
  }
  return std::nullopt;
}

void put_le(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
  }
}

// 16-bit stereo PCM at the modules' rate.
std::string wave_file(const std::vector<float>& left, const std::vector<float>& right) {
  constexpr std::uint32_t kChannels = 2;
  constexpr std::uint32_t kBytesPerFrame = kChannels * 2;
  const auto data_size = static_cast<std::uint32_t>(left.size() * kBytesPerFrame);
  std::string out = "RIFF";
  put_le(out, 36 + data_size, 4);
  out += "WAVEfmt ";
  put_le(out, 16, 4);
  put_le(out, 1, 2);  // PCM
  put_le(out, kChannels, 2);
  put_le(out, kSampleRate, 4);
  put_le(out, kSampleRate * kBytesPerFrame, 4);
  put_le(out, kBytesPerFrame, 2);
  put_le(out, 16, 2);
  out += "data";
  put_le(out, data_size, 4);
  for (std::size_t i = 0; i < left.size(); ++i) {
    for (const float sample : {left[i], right[i]}) {
      const auto value = static_cast<std::int16_t>(
          std::lround(std::clamp(sample, -1.0F, 32767.0F / 32768.0F) * 32768.0F));
      put_le(out, static_cast<std::uint16_t>(value), 2);
    }
  }
  return out;
}

// The note as the module plays it: pressed, set to the module's level,
// heard until the countdown ends. The last 20 ms fade out, where the module
// would stop its stream.
std::string rendered_note(std::string note, const qz::Countdown& sound) {
  qz::platform::FluidAudio audio(qz::platform::fluid_setup());
  audio.load_segment(std::move(note));
  audio.play_segment();
  audio.set_master_volume(sound.final_performance_value);
  constexpr int kBlockFrames = 1024;
  const auto frames = static_cast<std::size_t>(sound.press_value) * kSampleRate;
  std::vector<float> left(frames + kBlockFrames);
  std::vector<float> right(frames + kBlockFrames);
  for (std::size_t at = 0; at < frames; at += kBlockFrames) {
    audio.render(&left[at], &right[at], kBlockFrames);
  }
  left.resize(frames);
  right.resize(frames);
  const std::size_t fade = kSampleRate / 50;
  for (std::size_t i = 0; i < fade && i < frames; ++i) {
    const float gain = static_cast<float>(i) / static_cast<float>(fade);
    left[frames - 1 - i] *= gain;
    right[frames - 1 - i] *= gain;
  }
  return wave_file(left, right);
}

std::string module_sound(const std::string& module_file, const std::string& name) {
  const std::string file_name(qz::file_name_of(module_file));
  const std::optional<qz::Countdown> sound = countdown_of_module(file_name);
  if (!sound) {
    throw std::runtime_error(file_name + " is no module with sound");
  }
  std::string bytes = qz::platform::ResourceFile(module_file).read("DMSEG", name);
  if (qz::decode_sound(bytes).kind == qz::Sound::Kind::wave) {
    return bytes;
  }
  return rendered_note(std::move(bytes), *sound);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: qzsound FILE NAME [OUT]\n";
    return 2;
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    const std::string wave = module_sound(args[0], args[1]);
    if (args.size() == 3) {
      std::ofstream out(args[2], std::ios::binary);
      out << wave;
      if (!out.flush()) {
        throw std::runtime_error("cannot write " + args[2]);
      }
    } else {
      std::cout << wave << std::flush;
    }
  } catch (const std::exception& error) {
    std::cerr << "qzsound: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
