#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qz {

// What is wrong with an asset, or nothing when it is what a module may carry:
// a baseline JPEG of 146 x 200 pixels with three components.
std::optional<std::string> jpeg_problem(std::string_view bytes);

inline constexpr int kPictureWidth = 146;
inline constexpr int kPictureHeight = 200;

}  // namespace qz
