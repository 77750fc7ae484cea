#include "note_reading/variants.hpp"
#include "platform/module_main.hpp"

int main() { return qz::module_main(qz::note_reading::note_module("bass2")); }
