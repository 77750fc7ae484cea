#include "platform/linux/sound/fluid_audio.hpp"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/linux/descriptor.hpp"
#include "platform/linux/sound/fluid_library.hpp"
#include "resource_format/byte_order.hpp"

namespace qz::platform {
namespace {

// FluidSynth and GLib report failures through their logs; keep the first
// message since the last failure was reported, so that a failed call names
// its cause on the module's one error line instead of the libraries
// printing lines of their own. Never destroyed: a synthesizer thread may
// still log while the process ends.
struct FirstMessage {
  std::mutex mutex;
  std::string text;
};

FirstMessage& first_message() {
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cppcoreguidelines-avoid-non-const-global-variables)
  static auto* first = new FirstMessage;
  return *first;
}

void keep_message(const char* message) {
  FirstMessage& first = first_message();
  const std::lock_guard lock(first.mutex);
  if (first.text.empty() && message != nullptr) {
    first.text = message;
  }
}

void keep_fluid_message(int /*level*/, const char* message, void* /*data*/) {
  keep_message(message);
}

void keep_glib_message(const char* /*domain*/, int /*level*/, const char* message, void* /*data*/) {
  keep_message(message);
}

std::string take_first_message() {
  FirstMessage& first = first_message();
  const std::lock_guard lock(first.mutex);
  return std::exchange(first.text, "");
}

void route_logs(const FluidLibrary& fluid) {
  static std::once_flag once;
  std::call_once(once, [&fluid] {
    for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) {
      fluid.set_log_function(level, keep_fluid_message, nullptr);
    }
    fluid.set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid.set_log_function(FLUID_DBG, nullptr, nullptr);
    if (fluid.set_glib_default_log_handler != nullptr) {
      fluid.set_glib_default_log_handler(keep_glib_message, nullptr);
    }
  });
}

// Blocks of 1024 frames (23 ms): much smaller blocks let the stream run dry
// between writes and the sound drops out.
constexpr int kBlockFrames = 1024;

// The first `count` bytes of a file; fewer when it is shorter. What is not
// there, not a file or not readable is named as such.
std::string first_bytes(const std::string& what, const std::string& path, std::size_t count) {
  std::string bytes(count, '\0');
  try {
    const FileDescriptor fd(open_regular_file(path));
    std::size_t got = 0;
    while (got < count) {
      const ssize_t read = ::read(fd.get(), bytes.data() + got, count - got);
      if (read < 0 && errno == EINTR) {
        continue;
      }
      if (read < 0) {
        throw errno_error(errno);
      }
      if (read == 0) {
        break;
      }
      got += static_cast<std::size_t>(read);
    }
    bytes.resize(got);
  } catch (const std::runtime_error& error) {
    const std::string cause = error.what();
    throw std::runtime_error(
        what + " " + path +
        (cause == "no such file" ? " is missing" : " cannot be read: " + cause));
  }
  return bytes;
}

// A SoundFont 2 file is one RIFF chunk of form "sfbk" that runs to the end
// of the file: its first twelve bytes tell whether it is one, and whole.
void check_soundfont(const std::string& path) {
  const std::string header = first_bytes("soundfont", path, 12);
  if (header.size() < 12 || header.compare(0, 4, "RIFF") != 0 ||
      header.compare(8, 4, "sfbk") != 0) {
    throw std::runtime_error("soundfont " + path + " is not a SoundFont file");
  }
  const std::uint64_t chunk_size = little_endian(header, 4, 4);
  std::error_code error;
  if (chunk_size + 8 != std::filesystem::file_size(path, error)) {
    throw std::runtime_error("soundfont " + path + " is cut short or has bytes past its end");
  }
}

void check_library(const std::string& path, const std::string& signature) {
  if (first_bytes("synthesizer library", path, signature.size()) != signature) {
    throw std::runtime_error("synthesizer library " + path + " is not a shared library");
  }
}

}  // namespace

// FluidSynth's objects, deleted in the reverse order of their making.
struct FluidAudio::Synthesizer {
  const FluidLibrary& fluid;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  std::vector<fluid_player_t*> players;  // kept to the end: released segments play on

  explicit Synthesizer(const FluidLibrary& library) : fluid(library) {}
  Synthesizer(const Synthesizer&) = delete;
  Synthesizer& operator=(const Synthesizer&) = delete;
  Synthesizer(Synthesizer&&) = delete;
  Synthesizer& operator=(Synthesizer&&) = delete;
  ~Synthesizer() {
    for (fluid_player_t* player : players) {
      fluid.delete_player(player);
    }
    if (synth != nullptr) {
      fluid.delete_synth(synth);
    }
    if (settings != nullptr) {
      fluid.delete_settings(settings);
    }
  }
};

float key_level_gain(const std::vector<KeyLevel>& levels, int key) {
  float correction_db = 0.0F;
  for (const KeyLevel& level : levels) {
    if (level.first_key <= key) {
      correction_db = level.correction_db;
    }
  }
  return std::pow(10.0F, correction_db / 20.0F);
}

FluidAudio::FluidAudio(FluidSetup setup) : setup_(std::move(setup)) {}

FluidAudio::~FluidAudio() { stream_.reset(); }

void FluidAudio::start(Sound::Kind sounds) {
  if (sounds == Sound::Kind::midi) {
    make_synthesizer();
  }
  stream_ = setup_.open_stream(
      kSampleRate, kBlockFrames,
      [this](float* left, float* right, int frames) { render(left, right, frames); });
}

void FluidAudio::make_synthesizer() {
  if (synthesizer_) {
    return;
  }
  // Their first bytes first: a clear cause rather than the loader's.
  check_soundfont(setup_.soundfont);
  check_library(setup_.library_file, setup_.library_signature);
  const FluidLibrary& library = FluidLibrary::get(setup_.library_file);
  route_logs(library);
  auto made = std::make_unique<Synthesizer>(library);
  made->settings = library.new_settings();
  if (made->settings == nullptr ||
      library.settings_setnum(made->settings, "synth.sample-rate", kSampleRate) != FLUID_OK ||
      library.settings_setnum(made->settings, "synth.gain", setup_.synth_gain) != FLUID_OK ||
      // A module plays one note at a time: 16 voices rather than 256 make
      // the synthesizer in 7 ms rather than 15, and loading only the
      // samples of the presets in use (the piano, the drums of channel 10)
      // takes the soundfont in about 36 ms rather than 56. Both come before
      // the record.
      library.settings_setint(made->settings, "synth.polyphony", 16) != FLUID_OK ||
      library.settings_setint(made->settings, "synth.dynamic-sample-loading", 1) != FLUID_OK) {
    throw std::runtime_error("cannot configure the synthesizer: " + take_first_message());
  }
  made->synth = library.new_synth(made->settings);
  if (made->synth == nullptr) {
    throw std::runtime_error("cannot create the synthesizer: " + take_first_message());
  }
  if (library.synth_sfload(made->synth, setup_.soundfont.c_str(), 1) == FLUID_FAILED) {
    throw std::runtime_error("cannot load soundfont " + setup_.soundfont + ": " +
                             take_first_message());
  }
  synthesizer_ = std::move(made);
  synthesizer_made_.store(true);
}

void FluidAudio::load_segment(std::string bytes) {
  auto sound = std::make_shared<const Sound>(decode_sound(std::move(bytes)));
  if (sound->kind == Sound::Kind::midi) {
    make_synthesizer();
  }
  current_ = std::move(sound);
}

void FluidAudio::play_segment() {
  if (!current_) {
    throw std::logic_error("no segment loaded");
  }
  if (current_->kind == Sound::Kind::wave) {
    mixer_.start(current_);
    return;
  }
  synth_level_.store(key_level_gain(setup_.key_levels, current_->midi_key));
  const FluidLibrary& fluid = synthesizer_->fluid;
  fluid_player_t* player = fluid.new_player(synthesizer_->synth);
  if (player == nullptr) {
    throw std::runtime_error("cannot create a MIDI player: " + take_first_message());
  }
  synthesizer_->players.push_back(player);
  if (fluid.player_add_mem(player, current_->midi_file.data(), current_->midi_file.size()) !=
          FLUID_OK ||
      fluid.player_play(player) != FLUID_OK) {
    throw std::runtime_error("cannot play the MIDI segment: " + take_first_message());
  }
}

void FluidAudio::set_master_volume(int hundredths_of_db) { mixer_.set_level(hundredths_of_db); }

void FluidAudio::render(float* left, float* right, int frames) {
  if (synthesizer_made_.load()) {
    // The reverb and chorus are mixed straight into the two outputs.
    std::array<float*, 2> outputs = {left, right};
    synthesizer_->fluid.synth_process(synthesizer_->synth, frames, 2, outputs.data(), 2,
                                      outputs.data());
    const float level = synth_level_.load();
    for (int i = 0; i < frames; ++i) {
      left[i] *= level;
      right[i] *= level;
    }
  }
  mixer_.process(left, right, frames);
}

}  // namespace qz::platform
