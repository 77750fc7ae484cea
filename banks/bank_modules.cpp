#include "banks/bank_modules.hpp"

#include <array>

#include "banks/instruments_bank.hpp"
#include "banks/oeuvres_bank.hpp"
#include "banks/portraits_bank.hpp"
#include "banks/theorie_bank.hpp"

namespace qz::banks {
namespace {

std::vector<ResourceEntry> no_resources() { return {}; }

// clang-format off
constexpr std::array<BankModule, 4> kBankModules = {{
    {"oeuvres",     oeuvres::module,     no_resources},
    {"theorie",     theorie::module,     no_resources},
    {"portraits",   portraits::module,   portraits::resources},
    {"instruments", instruments::module, instruments::resources},
}};
// clang-format on

}  // namespace

std::span<const BankModule> bank_modules() { return kBankModules; }

}  // namespace qz::banks
