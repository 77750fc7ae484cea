#include "banks/portraits_bank.hpp"
#include "platform/module_main.hpp"

int main() { return qz::module_main(qz::banks::portraits::module()); }
