#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "resource_format/asset_list.hpp"
#include "shell/module.hpp"

namespace qz::banks {

// The four modules that draw from a bank, by the name of their entry file
// (modules/<name>.cpp), with the resources each carries besides the common
// ones.
struct BankModule {
  std::string_view name;
  ModuleDescriptor (*module)();
  std::vector<ResourceEntry> (*resources)();
};

std::span<const BankModule> bank_modules();

}  // namespace qz::banks
