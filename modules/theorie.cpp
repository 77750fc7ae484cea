#include "banks/theorie_bank.hpp"
#include "platform/module_main.hpp"

int main() { return qz::module_main(qz::banks::theorie::module()); }
