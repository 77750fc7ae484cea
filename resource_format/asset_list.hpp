#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz {

// One resource a module carries: its type and name, and where its bytes come
// from: a file below the resources folder, or bytes made at build time.
struct ResourceEntry {
  std::string type;
  std::string name;         // as the module writes it in its record; stored in capitals
  std::string source_file;  // relative to resources/, empty when generated
  std::string bytes;        // generated content
};

// What every module carries besides its own pictures and sounds: the blank
// picture "100", the program icon and the version record, whose file
// description is the module's title (UTF-8) and which Windows shows for it.
std::vector<ResourceEntry> common_resources(std::string_view module_literal,
                                            std::string_view title);

}  // namespace qz
