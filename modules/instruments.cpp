#include "banks/instruments_bank.hpp"
#include "platform/module_main.hpp"
#include "platform/sound_output.hpp"

int main() {
  return qz::module_main(qz::banks::instruments::module(), qz::platform::make_sound_output);
}
