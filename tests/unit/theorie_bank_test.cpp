// Structural checks of the theorie bank. Every failure names the offending
// rows by their 1-based row number, the key of the draw.

#include "banks/theorie_bank.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "shell/cp1252.hpp"
#include "tests/support/bank_checks.hpp"
#include "tests/support/text.hpp"

namespace {

using qz::banks::theorie_rows;
using qz::banks::ThreeAnswerRow;

// Question first, then the three answers.
std::array<std::string_view, 4> texts_of(const ThreeAnswerRow& row) {
  return {row.question, row.answers[0], row.answers[1], row.answers[2]};
}

// The rows for which `bad` holds, as "3, 17" (empty when none).
template <typename Predicate>
std::string rows_where(Predicate bad) {
  return qz::testing::rows_where(theorie_rows(), bad);
}

template <typename Predicate>
bool any_text(const ThreeAnswerRow& row, Predicate bad) {
  return std::ranges::any_of(texts_of(row), bad);
}

std::size_t length(std::string_view text) { return qz::testing::character_count(text); }

int century_of(std::string_view text) { return qz::testing::roman_century(text); }

// Leading decimal number of a quantity such as "1650 et 1730", or -1.
long leading_number(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
    ++end;
  }
  return end == 0 ? -1 : std::stol(std::string(text.substr(0, end)));
}

TEST(TheorieBank, HoldsSeventyFiveRowsWithTheCorrectPositionCounts) {
  ASSERT_EQ(theorie_rows().size(), 75U);
  EXPECT_EQ(qz::testing::correct_position_counts(theorie_rows()),
            (qz::testing::PositionCounts{{"1", 25}, {"2", 35}, {"3", 15}}));
}

TEST(TheorieBank, TextLengthsStayWithinTheBankLimits) {
  EXPECT_EQ(rows_where([](const auto& row) {
              return length(row.question) < 11 || length(row.question) > 116 ||
                     any_text(row, [&](auto t) {
                       return t != row.question && (length(t) < 2 || length(t) > 75);
                     });
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& row) { return length(row.question) == 116; }), "61");
  EXPECT_EQ(rows_where([](const auto& row) {
              return any_text(row, [](auto t) { return length(t) == 75; });
            }),
            "10");
  EXPECT_NE(rows_where([](const auto& row) { return length(row.question) == 11; }), "");
  EXPECT_NE(rows_where([](const auto& row) {
              return any_text(row, [](auto t) { return length(t) == 2; });
            }),
            "");
}

TEST(TheorieBank, BlanksStandOnlyWhereTheBankKeepsThem) {
  EXPECT_EQ(rows_where([](const auto& row) {
              return any_text(row, [](auto t) { return t.starts_with(' '); });
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& row) { return row.question.ends_with(' '); }),
            "11, 12, 13, 15, 18, 19, 25");
  EXPECT_EQ(rows_where([](const auto& row) {
              return row.answers[0].ends_with(' ') || row.answers[1].ends_with(' ') ||
                     row.answers[2].ends_with(' ');
            }),
            "");
  // Runs of two blanks, as "row: text".
  std::vector<std::string> doubled;
  for (std::size_t i = 0; i < theorie_rows().size(); ++i) {
    for (const auto text : texts_of(theorie_rows()[i])) {
      if (text.find("  ") != std::string_view::npos) {
        doubled.push_back(std::to_string(i + 1) + ": " + std::string(text));
      }
    }
  }
  EXPECT_EQ(doubled,
            (std::vector<std::string>{"11: XVe  siècle",
                                      "71: Une danse  en vogue en Italie aux XIVe et XVe siècle"}));
}

// Only printable ASCII, the small accented letters, "É" and "œ" of code page
// 1252; no double quote, so every text fits between the record's quotes.
TEST(TheorieBank, TextsAreNonEmptyCp1252WithoutForbiddenCharacters) {
  const auto bad_text = [](std::string_view text) {
    return text.empty() || qz::testing::has_other_bytes(text, [](unsigned char b) {
             return b == 0xC9 || qz::testing::french_small_letter(b);  // 0xC9: "É"
           });
  };
  EXPECT_EQ(rows_where([&](const auto& row) { return any_text(row, bad_text); }), "");

  // "É" appears once in the whole bank, in the answer "Étude".
  std::vector<std::string_view> capital_e_acute;
  for (const auto& row : theorie_rows()) {
    for (const auto text : texts_of(row)) {
      for (auto at = text.find("É"); at != std::string_view::npos; at = text.find("É", at + 1)) {
        capital_e_acute.push_back(text);
      }
    }
  }
  EXPECT_EQ(capital_e_acute, std::vector<std::string_view>{"Étude"})
      << "rows: " << rows_where([](const auto& row) {
           return any_text(row, [](auto t) { return t.find("É") != std::string_view::npos; });
         });
}

TEST(TheorieBank, QuestionsAreDistinct) {
  std::set<std::string_view> seen;
  EXPECT_EQ(rows_where([&](const auto& row) { return !seen.insert(row.question).second; }), "");
}

TEST(TheorieBank, AnswersOfARowAreDistinct) {
  EXPECT_EQ(rows_where([](const auto& row) {
              return row.answers[0] == row.answers[1] || row.answers[1] == row.answers[2] ||
                     row.answers[0] == row.answers[2];
            }),
            "");
}

// Years, counts, periods and centuries are listed in ascending order.
TEST(TheorieBank, QuantityAnswersAscend) {
  int quantity_rows = 0;
  const auto descending = [&](const auto& row) {
    for (const auto value_of :
         {+[](std::string_view t) { return leading_number(t); },
          +[](std::string_view t) { return static_cast<long>(century_of(t)); }}) {
      const long a = value_of(row.answers[0]);
      const long b = value_of(row.answers[1]);
      const long c = value_of(row.answers[2]);
      if (a > 0 && b > 0 && c > 0) {
        ++quantity_rows;
        return !(a < b && b < c);
      }
    }
    return false;
  };
  EXPECT_EQ(rows_where(descending), "");
  EXPECT_GE(quantity_rows, 3) << "rows 11, 44 and 74 at least answer with quantities";
}

// A to G in German and English terminology, H in German alone; B is named
// for English usage only, since German calls that note H.
TEST(TheorieBank, LetterNameRowsNameTheRightNote) {
  const std::map<char, std::string_view> kNotes = {{'A', "La"},  {'B', "Si"}, {'C', "Do"},
                                                   {'D', "Ré"},  {'E', "Mi"}, {'F', "Fa"},
                                                   {'G', "Sol"}, {'H', "Si"}};
  std::string letters;
  const auto wrong = [&](const ThreeAnswerRow& row) {
    if (!row.question.starts_with("Dans la terminologie musicale")) {
      return false;
    }
    const std::string_view tail = " indique la note";
    const char letter = row.question.size() > tail.size()
                            ? row.question[row.question.size() - tail.size() - 1]
                            : '?';
    letters += letter;
    const std::string usage = letter == 'B'   ? "anglo-saxonne"
                              : letter == 'H' ? "allemande"
                                              : "allemande et anglaise";
    const auto expected =
        "Dans la terminologie musicale " + usage + ", la lettre " + letter + " indique la note";
    const auto note = kNotes.find(letter);
    const auto position = row.correct == "1" ? 0U : row.correct == "2" ? 1U : 2U;
    return row.question != expected || note == kNotes.end() ||
           row.answers[position] != note->second;
  };
  EXPECT_EQ(rows_where(wrong), "");
  std::string sorted = letters;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, "ABCDEFGH");
}

TEST(TheorieBank, QuotedRowsStandExactly) {
  const std::map<int, ThreeAnswerRow> kQuoted = {
      {1,
       {"Dans la terminologie musicale allemande et anglaise, la lettre A indique la note",
        {"Sol", "La", "Si"},
        "2"}},
      {2,
       {"Une pièce a cappella est une pièce",
        {"Chantée lors des combats de capes et d'épées", "Pour un instrument seul",
         "Pour voix sans accompagnement instrumental"},
        "3"}},
      {4, {"Adagio indique un tempo", {"Lent", "Rapide", "Très rapide"}, "1"}},
      {7,
       {"L'arpège est",
        {"Un enchaînement rapide des différents sons qui forment un accord", "Un légume",
         "Un instrument"},
        "1"}},
      {8,
       {"Dans la terminologie musicale anglo-saxonne, la lettre B indique la note",
        {"Sol", "La", "Si"},
        "3"}},
      {10,
       {"La barcarolle est",
        {"Une petite flûte baroque",
         "Une composition qui évoque le style du chant des pêcheurs ou des gondoliers",
         "Un petit violon"},
        "2"}},
      {12, {"Le baryton est une voix ", {"Masculine", "Féminine", "De castrat"}, "1"}},
      {39,
       {"Dans la terminologie musicale allemande, la lettre H indique la note",
        {"Ré", "Mi", "Si"},
        "3"}},
      {44,
       {"Le style galant est un style musicale qui s'affirme entre",
        {"1300 et 1400", "1650 et 1730", "1730 et 1800"},
        "3"}},
      {61,
       {"L'étendue maximale qu'une voix ou qu'un instrument peut couvrir, des notes les plus "
        "graves jusqu'aux plus aiguës est",
        {"La tessiture", "L'armure", "La tonalité"},
        "1"}},
      {66,
       {"Un ensemble de cinq chanteurs ou de cinq instrumentistes est",
        {"Une quinte", "Un quintolet", "Un quintette"},
        "3"}},
      {74, {"La valse est une danse à", {"3 temps", "4 temps", "1000 temps"}, "1"}},
      {75,
       {"Lorsque le bémol est placé devant une note, celle-ci est",
        {"Abaissée d'un demi-ton", "Haussé d'un demi-ton", "Haussé d'un ton"},
        "1"}},
  };
  const auto rows = theorie_rows();
  ASSERT_EQ(rows.size(), 75U);
  std::string differing;
  for (const auto& [number, quoted] : kQuoted) {
    const auto& row = rows[static_cast<std::size_t>(number - 1)];
    if (row.question != quoted.question || row.answers != quoted.answers ||
        row.correct != quoted.correct) {
      differing += (differing.empty() ? "" : ", ") + std::to_string(number);
    }
  }
  EXPECT_EQ(differing, "");
}

// The trailing blank of a question belongs to the text and reaches the
// record's code page untouched.
TEST(TheorieBank, RowTwelveKeepsItsTrailingBlankInCp1252) {
  const auto rows = theorie_rows();
  ASSERT_GE(rows.size(), 12U);
  const auto bytes = qz::to_cp1252(rows[11].question);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, std::string("Le baryton est une voix "));
  EXPECT_EQ(bytes->size(), length(rows[11].question));
}

}  // namespace
