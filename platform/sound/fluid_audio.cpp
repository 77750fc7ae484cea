#include "platform/sound/fluid_audio.hpp"

#include <array>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "platform/process.hpp"
#include "platform/resource_file.hpp"
#include "platform/sound/fluid_library.hpp"

namespace qz::platform {
namespace {

// FluidSynth reports its failures through a log; keep the last message so
// that a failed call can name its cause on the one error line, instead of
// FluidSynth printing lines of its own.
struct LastMessage {
  std::mutex mutex;
  std::string text;
};

LastMessage& last_message() {
  static LastMessage last;
  return last;
}

void keep_message(int /*level*/, const char* message, void* /*data*/) {
  LastMessage& last = last_message();
  const std::lock_guard lock(last.mutex);
  last.text = message;
}

std::string take_last_message() {
  LastMessage& last = last_message();
  const std::lock_guard lock(last.mutex);
  return std::exchange(last.text, "");
}

void route_log(const FluidLibrary& fluid) {
  static std::once_flag once;
  std::call_once(once, [&fluid] {
    for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) {
      fluid.set_log_function(level, keep_message, nullptr);
    }
    fluid.set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid.set_log_function(FLUID_DBG, nullptr, nullptr);
  });
}

// Blocks of 1024 frames (23 ms): much smaller blocks let the stream run dry
// between writes and the sound drops out.
constexpr int kBlockFrames = 1024;

}  // namespace

FluidAudio::FluidAudio(FluidSetup setup) : setup_(std::move(setup)) {}

FluidAudio::~FluidAudio() {
  stream_.reset();
  if (synthesizer_ready_.valid()) {
    synthesizer_ready_.wait();
  }
  if (fluid_ != nullptr) {
    for (fluid_player_t* player : players_) {
      fluid_->delete_player(player);
    }
    if (synth_.load() != nullptr) {
      fluid_->delete_synth(synth_.load());
    }
    if (settings_ != nullptr) {
      fluid_->delete_settings(settings_);
    }
  }
}

void FluidAudio::start(const std::string& /*module_file_path*/) {
  if (!std::filesystem::is_regular_file(setup_.soundfont)) {
    throw std::runtime_error("soundfont " + setup_.soundfont + " is missing");
  }
  stream_ = setup_.open_stream(
      kSampleRate, kBlockFrames,
      [this](float* left, float* right, int frames) { render(left, right, frames); });
  start_synthesizer();
}

void FluidAudio::start_synthesizer() {
  synthesizer_ready_ = std::async(std::launch::async, [this] { make_synthesizer(); });
}

void FluidAudio::make_synthesizer() {
  lower_this_thread_priority();  // the record comes first
  try {
    const FluidLibrary& fluid = FluidLibrary::get(setup_.library_file);
    route_log(fluid);
    fluid_ = &fluid;
    settings_ = fluid.new_settings();
    if (settings_ == nullptr ||
        fluid.settings_setnum(settings_, "synth.sample-rate", kSampleRate) != FLUID_OK) {
      throw std::runtime_error("cannot configure the synthesizer: " + take_last_message());
    }
    fluid_synth_t* synth = fluid.new_synth(settings_);
    if (synth == nullptr) {
      throw std::runtime_error("cannot create the synthesizer: " + take_last_message());
    }
    if (fluid.synth_sfload(synth, setup_.soundfont.c_str(), 1) == FLUID_FAILED) {
      fluid.delete_synth(synth);
      throw std::runtime_error("cannot load soundfont " + setup_.soundfont + ": " +
                               take_last_message());
    }
    synth_.store(synth);
  } catch (const std::exception& error) {
    synthesizer_problem_ = error.what();
  }
}

void FluidAudio::wait_for_synthesizer() {
  if (synthesizer_ready_.valid()) {
    synthesizer_ready_.get();
  }
  if (!synthesizer_problem_.empty()) {
    throw std::runtime_error(synthesizer_problem_);
  }
}

void FluidAudio::load_segment(const std::string& module_file_path, std::string_view name) {
  const ResourceFile file(module_file_path);
  current_ = decode_segment(file.read("DMSEG", name));
}

void FluidAudio::play_segment() {
  if (!current_) {
    throw std::logic_error("no segment loaded");
  }
  if (current_->kind == Segment::Kind::wave) {
    mixer_.start(current_);
    return;
  }
  wait_for_synthesizer();
  fluid_player_t* player = fluid_->new_player(synth_.load());
  if (player == nullptr) {
    throw std::runtime_error("cannot create a MIDI player: " + take_last_message());
  }
  players_.push_back(player);
  if (fluid_->player_add_mem(player, current_->midi.data(), current_->midi.size()) != FLUID_OK ||
      fluid_->player_play(player) != FLUID_OK) {
    throw std::runtime_error("cannot play the MIDI segment: " + take_last_message());
  }
}

void FluidAudio::set_master_volume(int hundredths_of_db) { mixer_.set_level(hundredths_of_db); }

void FluidAudio::render(float* left, float* right, int frames) {
  fluid_synth_t* synth = synth_.load();
  if (synth != nullptr) {
    // The reverb and chorus are mixed straight into the two outputs.
    std::array<float*, 2> outputs = {left, right};
    fluid_->synth_process(synth, frames, 2, outputs.data(), 2, outputs.data());
  }
  mixer_.process(left, right, frames);
}

}  // namespace qz::platform
