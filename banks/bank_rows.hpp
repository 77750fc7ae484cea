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

// One row of the portraits bank: four composer names and the caption of
// the right one's place, "1" to "4". Row n shows picture 100 + n.
struct PortraitRow {
  std::array<std::string_view, 4> answers;
  std::string_view correct;
};

// One row of the instruments bank. Text rows have three answers (the fourth
// empty) and neither picture nor sound; picture rows name their IMAGES
// resource and listening rows their DMSEG resource, in small letters.
struct InstrumentRow {
  std::string_view question;
  std::array<std::string_view, 4> answers;
  std::string_view correct;
  std::string_view picture;  // empty but in picture rows
  std::string_view sound;    // empty but in listening rows
};

}  // namespace qz::banks
