#include "platform/sound/fluid_library.hpp"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace qz::platform {
namespace {

constexpr const char* kLibraryName = "libfluidsynth.so.3";

template <typename Function>
void resolve(void* library, const char* name, Function& function) {
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) {
    throw std::runtime_error(std::string(kLibraryName) + " has no " + name);
  }
  function = reinterpret_cast<Function>(symbol);  // NOLINT: dlsym hands out void*
}

FluidLibrary load() {
  void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    throw std::runtime_error(std::string("cannot load ") + kLibraryName + ": " + ::dlerror());
  }
  FluidLibrary fluid{};
  resolve(library, "fluid_set_log_function", fluid.set_log_function);
  resolve(library, "new_fluid_settings", fluid.new_settings);
  resolve(library, "delete_fluid_settings", fluid.delete_settings);
  resolve(library, "fluid_settings_setnum", fluid.settings_setnum);
  resolve(library, "new_fluid_synth", fluid.new_synth);
  resolve(library, "delete_fluid_synth", fluid.delete_synth);
  resolve(library, "fluid_synth_sfload", fluid.synth_sfload);
  resolve(library, "fluid_synth_process", fluid.synth_process);
  resolve(library, "new_fluid_player", fluid.new_player);
  resolve(library, "delete_fluid_player", fluid.delete_player);
  resolve(library, "fluid_player_add_mem", fluid.player_add_mem);
  resolve(library, "fluid_player_play", fluid.player_play);
  return fluid;
}

}  // namespace

const FluidLibrary& FluidLibrary::get() {
  static const FluidLibrary fluid = load();
  return fluid;
}

}  // namespace qz::platform
