// The shared bank draw and what the text banks leave in the window.
#include <gtest/gtest.h>

#include <cmath>

#include "banks/bank_layouts.hpp"
#include "banks/oeuvres_bank.hpp"
#include "banks/theorie_bank.hpp"
#include "shell/record.hpp"
#include "tests/support/fakes.hpp"

namespace qz::banks {
namespace {

struct TextBank {
  const char* literal;
  const WindowLayout* window;
  TirerQuestion tirer_question;
  std::span<const ThreeAnswerRow> rows;
};

const TextBank kOeuvres{"oeuvres.exe", &oeuvres::window_layout, oeuvres::tirer_question,
                        oeuvres_rows()};
const TextBank kTheorie{"theorie.exe", &theorie::window_layout, theorie::tirer_question,
                        theorie_rows()};

struct Drawn {
  std::int16_t row;
  QuestionRecord record;
  bool reponse4_visible;
  bool numero4_visible;
  std::string timer;
};

Drawn draw_with(const TextBank& bank, double r) {
  Form_jeu form(*bank.window);
  testing::ScriptedSource random{r};
  Module_questions module_questions;
  bank.tirer_question(form, random, module_questions);
  return {module_questions.current_question_number, record_from(form, bank.literal),
          form.Label_reponse4.Visible, form.Label_numero4.Visible, form.Label_timer.Caption};
}

TEST(BankDraw, EndsOfTheUnitIntervalSelectTheFirstAndLastRows) {
  const double largest_below_one = std::nextafter(1.0, 0.0);
  for (const TextBank* bank : {&kOeuvres, &kTheorie}) {
    EXPECT_EQ(draw_with(*bank, 0.0).row, 1) << bank->literal;
    const Drawn last = draw_with(*bank, largest_below_one);
    EXPECT_EQ(last.row, static_cast<std::int16_t>(bank->rows.size())) << bank->literal;
    EXPECT_EQ(last.record[0], bank->rows.back().question) << bank->literal;
  }
  EXPECT_EQ(kOeuvres.rows.size(), 344U);
  EXPECT_EQ(kTheorie.rows.size(), 75U);
}

TEST(BankDraw, EveryRowGivesAThreeAnswerRecordWithTheBlankPictureAndNoSound) {
  for (const TextBank* bank : {&kOeuvres, &kTheorie}) {
    const auto count = static_cast<int>(bank->rows.size());
    for (int n = 1; n <= count; ++n) {
      const Drawn drawn = draw_with(*bank, testing::r_for(n, count));
      const ThreeAnswerRow& row = bank->rows[static_cast<std::size_t>(n - 1)];
      ASSERT_EQ(drawn.row, n);
      const QuestionRecord expected = {std::string(row.question),
                                       std::string(row.answers[0]),
                                       std::string(row.answers[1]),
                                       std::string(row.answers[2]),
                                       "",
                                       std::string(row.correct),
                                       "100",
                                       "non",
                                       bank->literal};
      ASSERT_EQ(drawn.record, expected) << bank->literal << " row " << n;
      ASSERT_FALSE(drawn.reponse4_visible) << bank->literal << " row " << n;
      ASSERT_FALSE(drawn.numero4_visible) << bank->literal << " row " << n;
    }
  }
  EXPECT_EQ(draw_with(kTheorie, 0.5).timer, "10") << "theorie's countdown label never moves";
}

TEST(BankDraw, QuotedTextsReachTheRecordByteForByte) {
  const auto line = [](const TextBank& bank, int n) {
    return encode_record(
        draw_with(bank, testing::r_for(n, static_cast<int>(bank.rows.size()))).record);
  };
  EXPECT_EQ(line(kOeuvres, 1),
            "\"Vivaldi, ordonn\xE9 pr\xEAtre en 1703,  a \xE9t\xE9 surnomm\xE9\","
            "\"Le cur\xE9 des musiciens\",\"Le pr\xEAtre roux\",\"Le musicien du pape\",\"\","
            "\"2\",\"100\",\"non\",\"oeuvres.exe\"\r\n");
  const std::string row35 =
      "\"La musique de sc\xE8ne du drame Kuolema (La mort, 1903), qui comprend la "
      "c\xE9l\xE8"
      "bre Valse triste, est une \x9C"
      "uvre de\",";
  EXPECT_EQ(line(kOeuvres, 35).substr(0, row35.size()), row35);
  EXPECT_NE(line(kOeuvres, 300).find(",\"Modest  Moussorgski\","), std::string::npos);
  EXPECT_EQ(line(kTheorie, 12),
            "\"Le baryton est une voix \",\"Masculine\",\"F\xE9minine\",\"De castrat\",\"\","
            "\"1\",\"100\",\"non\",\"theorie.exe\"\r\n");
}

}  // namespace
}  // namespace qz::banks
