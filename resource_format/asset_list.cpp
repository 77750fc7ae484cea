#include "resource_format/asset_list.hpp"

namespace qz {

std::vector<ResourceEntry> common_resources(std::string_view module_literal,
                                            std::string_view title) {
  std::string stem(module_literal);
  if (const auto dot = stem.rfind('.'); dot != std::string::npos) {
    stem.erase(dot);
  }
  // Language 1036 is French (France), the language of every resource.
  const std::string version_record =
      "FileVersion=3.0.0.0\r\nProductVersion=3.0.0.0\r\n"
      "ProductName=Quiz musical\r\nFileDescription=" +
      std::string(title) +
      "\r\nCompanyName=Projet Quiz musical\r\n"
      "LegalCopyright=Copyright (C) 2026 Projet Quiz musical\r\n"
      "Language=1036\r\nInternalName=" +
      stem + "\r\nOriginalFilename=" + std::string(module_literal) + "\r\n";
  return {{"IMAGES", "100", "common/100.jpg", ""},
          {"ICON", "1", "common/icon.ico", ""},
          {"VERSION", "1", "", version_record}};
}

}  // namespace qz
