#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "shell/audio.hpp"
#include "shell/files.hpp"
#include "shell/form.hpp"
#include "shell/random_draw.hpp"
#include "shell/resources.hpp"
#include "shell/window.hpp"

namespace qz {

// How a module builds its question. `attach` installs the generator's
// click handlers when the window is created (the note steps); `run` is the
// generator step of the request cycle and leaves the question in the labels.
struct Generator {
  std::function<void(Form_jeu&, UniformSource&)> attach;
  std::function<void(Form_jeu&, UniformSource&)> run;
};

// The countdown of the modules with sound: Label_timer starts at `start`
// and goes down by one each second; the sound button is pressed when it
// shows `press_value`, and after each play the output level is set to
// `final_performance_value` (hundredths of a decibel). At 0 the window
// unloads.
struct Countdown {
  int start;
  int press_value;
  int final_performance_value;
};

// Everything that differs between the sixteen modules.
struct ModuleDescriptor {
  std::string_view literal;  // field 9 and the module file's own name
  const WindowLayout* window = nullptr;
  Generator generator;
  std::optional<Countdown> countdown;  // none: the window unloads once the record is written
  std::optional<Sound::Kind> sounds;   // what the module's sounds are, with a countdown
};

// What a run takes from the machine it runs on. Built with designated
// initialisers.
struct ModuleEnvironment {
  std::string exchange_file;  // the path of question.qzd beside the running executable
  FileSystem& files;
  UniformSource& random;
  WindowBackend& window;
  // The resources of the module file the record names (its literal beside
  // the executable); opened once, by the modules with sound.
  std::function<std::unique_ptr<ModuleResources>()> open_resources;
  std::function<std::unique_ptr<AudioLayer>()> make_audio;
  std::function<void(std::string_view line)> report_error;
};

// A failure with the step it broke, as the error report shows it.
class StepFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The exit statuses of a module. A failure reports one error line
// "<literal>: <step>: <cause>"; its status says what the exchange file holds.
constexpr int kStatusDone = 0;         // the new record
constexpr int kStatusFailed = 1;       // the host's record, untouched
constexpr int kStatusSoundFailed = 2;  // the new record; its sound could not be played

// Creates the window, runs its load handler (the request cycle) and its
// event loop until it unloads. Returns the exit status, after the one error
// line went to report_error on failure.
int run_module(const ModuleDescriptor& module, ModuleEnvironment& environment);

}  // namespace qz
