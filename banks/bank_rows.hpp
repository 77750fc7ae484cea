#pragma once

#include <array>
#include <string_view>

namespace qz::banks {

// One row of a three-answer text bank (works, theory). Texts are UTF-8 and
// reach the record unchanged; `correct` is the caption "1", "2" or "3".
struct ThreeAnswerRow {
  std::string_view question;
  std::array<std::string_view, 3> answers;
  std::string_view correct;
};

}  // namespace qz::banks
