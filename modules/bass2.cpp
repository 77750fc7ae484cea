#include "note_reading/variants.hpp"
#include "platform/module_main.hpp"
#include "platform/sound_output.hpp"

int main() {
  return qz::module_main(qz::note_reading::note_module("bass2"), qz::platform::make_sound_output);
}
