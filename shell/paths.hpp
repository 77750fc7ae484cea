#pragma once

#include <string>
#include <string_view>

namespace qz {

// Splitting a path: both '/' and '\\' separate, so that one helper serves
// both platforms.

// What follows the last separator; the whole path when it has none.
std::string_view file_name_of(std::string_view path);

// What precedes the last separator: "." when there is none, the separator
// itself when the path is just below the root ("/question.qzd" -> "/").
std::string_view folder_of(std::string_view path);

}  // namespace qz
