#pragma once

#include <fluidsynth.h>

#include <string>

namespace qz::platform {

// GLib's log handler and the call that installs it as the default one, as
// GLib declares them. GLib comes with FluidSynth; its headers are not needed.
using GlibLogHandler = void (*)(const char* domain, int level, const char* message, void* data);
using SetGlibLogHandler = GlibLogHandler (*)(GlibLogHandler handler, void* data);

// The FluidSynth functions the modules use, resolved from the shared library
// at run time, so that only the modules whose sounds are MIDI pay for it
// (it brings some seventy libraries along). They load it when their audio
// starts, before the question record: a library that fails to load ends
// the run with the host's record untouched.
struct FluidLibrary {
  decltype(&::fluid_set_log_function) set_log_function;
  decltype(&::new_fluid_settings) new_settings;
  decltype(&::delete_fluid_settings) delete_settings;
  decltype(&::fluid_settings_setnum) settings_setnum;
  decltype(&::fluid_settings_setint) settings_setint;
  decltype(&::new_fluid_synth) new_synth;
  decltype(&::delete_fluid_synth) delete_synth;
  decltype(&::fluid_synth_sfload) synth_sfload;
  decltype(&::fluid_synth_process) synth_process;
  decltype(&::new_fluid_player) new_player;
  decltype(&::delete_fluid_player) delete_player;
  decltype(&::fluid_player_add_mem) player_add_mem;
  decltype(&::fluid_player_play) player_play;
  // GLib's, found among FluidSynth's own libraries; null where it is not.
  SetGlibLogHandler set_glib_default_log_handler;

  // Loads the library from `file` on the first call, and hands out the same
  // functions afterwards; throws std::runtime_error naming what is missing.
  static const FluidLibrary& get(const std::string& file);
};

}  // namespace qz::platform
