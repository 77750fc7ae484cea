#include "platform/linux/sound/fluid_library.hpp"

#include <stdexcept>

#include "platform/shared_library.hpp"

namespace qz::platform {
namespace {

template <typename Function>
void resolve(const SharedLibrary& library, const char* name, Function& function) {
  // A symbol's address is handed out untyped; its type is FluidSynth's.
  function = reinterpret_cast<Function>(library.symbol(name));  // NOLINT
}

FluidLibrary load(const std::string& file) {
  const SharedLibrary library(file);
  FluidLibrary fluid{};
  resolve(library, "fluid_set_log_function", fluid.set_log_function);
  resolve(library, "new_fluid_settings", fluid.new_settings);
  resolve(library, "delete_fluid_settings", fluid.delete_settings);
  resolve(library, "fluid_settings_setnum", fluid.settings_setnum);
  resolve(library, "fluid_settings_setint", fluid.settings_setint);
  resolve(library, "new_fluid_synth", fluid.new_synth);
  resolve(library, "delete_fluid_synth", fluid.delete_synth);
  resolve(library, "fluid_synth_sfload", fluid.synth_sfload);
  resolve(library, "fluid_synth_process", fluid.synth_process);
  resolve(library, "new_fluid_player", fluid.new_player);
  resolve(library, "delete_fluid_player", fluid.delete_player);
  resolve(library, "fluid_player_add_mem", fluid.player_add_mem);
  resolve(library, "fluid_player_play", fluid.player_play);
  fluid.set_glib_default_log_handler = nullptr;
  try {
    resolve(library, "g_log_set_default_handler", fluid.set_glib_default_log_handler);
  } catch (const std::runtime_error&) {
    // Messages of GLib's own then go where GLib sends them.
  }
  return fluid;
}

}  // namespace

const FluidLibrary& FluidLibrary::get(const std::string& file) {
  static const FluidLibrary fluid = load(file);
  return fluid;
}

}  // namespace qz::platform
