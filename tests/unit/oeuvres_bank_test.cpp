// Structural checks of the whole works bank: counts, limits, ordering of
// quantity answers and the rows whose texts are fixed word for word.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "banks/oeuvres_bank.hpp"
#include "shell/cp1252.hpp"
#include "tests/support/bank_checks.hpp"
#include "tests/support/text.hpp"

namespace {

using qz::banks::ThreeAnswerRow;

std::span<const ThreeAnswerRow> rows() { return qz::banks::oeuvres_rows(); }

// The rows for which `bad` holds, as "3, 17" (empty when none).
std::string offending(const std::function<bool(const ThreeAnswerRow&)>& bad) {
  return qz::testing::rows_where(rows(), bad);
}

bool any_text(const ThreeAnswerRow& r, const std::function<bool(std::string_view)>& bad) {
  return bad(r.question) || bad(r.answers[0]) || bad(r.answers[1]) || bad(r.answers[2]);
}

bool is_year(std::string_view s) {
  return s.size() == 4 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}
bool year_row(const ThreeAnswerRow& r) {
  return is_year(r.answers[0]) && is_year(r.answers[1]) && is_year(r.answers[2]);
}

int century(std::string_view s) { return qz::testing::roman_century(s); }
bool century_row(const ThreeAnswerRow& r) {
  return century(r.answers[0]) && century(r.answers[1]) && century(r.answers[2]);
}

// First whole number in the text ("Plus de 600 Lieder" -> 600), or -1.
long first_number(std::string_view s) {
  const auto at = s.find_first_of("0123456789");
  if (at == std::string_view::npos) return -1;
  return std::stol(std::string(s.substr(at)));
}

TEST(OeuvresBank, Has344Rows) { EXPECT_EQ(rows().size(), 344u); }

TEST(OeuvresBank, CorrectPositionsAreOneToThreeWithFixedCounts) {
  EXPECT_EQ(qz::testing::correct_position_counts(rows()),
            (qz::testing::PositionCounts{{"1", 89}, {"2", 145}, {"3", 110}}));
}

TEST(OeuvresBank, TextLengthsStayWithinLimits) {
  EXPECT_EQ(offending([](const auto& r) {
              const auto n = qz::testing::character_count(r.question);
              return n < 15 || n > 108;
            }),
            "")
      << "question outside 15..108 characters";
  EXPECT_EQ(offending([](const auto& r) {
              return std::any_of(r.answers.begin(), r.answers.end(),
                                 [](auto a) { return qz::testing::character_count(a) > 67; });
            }),
            "")
      << "answer over 67 characters";
}

// ASCII without the double quote, accented small letters and "œ": nothing
// that the record's quoting or the code page could not carry.
TEST(OeuvresBank, TextsUseOnlyPlainCp1252Characters) {
  EXPECT_EQ(offending([](const auto& r) {
              return any_text(r, [](std::string_view s) {
                return qz::testing::has_other_bytes(s, qz::testing::french_small_letter);
              });
            }),
            "");
}

TEST(OeuvresBank, TextsAreNotEmptyNorPadded) {
  EXPECT_EQ(offending([](const auto& r) {
              return any_text(r, [](std::string_view s) {
                return s.empty() || s.front() == ' ' || s.back() == ' ';
              });
            }),
            "");
}

TEST(OeuvresBank, AnswersOfARowDiffer) {
  EXPECT_EQ(offending([](const auto& r) {
              return r.answers[0] == r.answers[1] || r.answers[0] == r.answers[2] ||
                     r.answers[1] == r.answers[2];
            }),
            "");
}

TEST(OeuvresBank, QuestionsAreDistinctButForTheTwoBorisRows) {
  std::map<std::string_view, int> seen;
  for (const auto& r : rows()) ++seen[r.question];
  EXPECT_EQ(offending([&](const auto& r) { return seen[r.question] > 1; }), "135, 300");
}

TEST(OeuvresBank, OnlyRow165IsAFullQuestion) {
  EXPECT_EQ(offending([](const auto& r) { return r.question.ends_with("?"); }), "165");
  EXPECT_TRUE(rows()[164].question.ends_with(" ?"));
}

TEST(OeuvresBank, YearRowsAreCountedAndAscending) {
  EXPECT_EQ(std::count_if(rows().begin(), rows().end(), year_row), 141)
      << "year rows:" << offending(year_row);
  EXPECT_EQ(offending([](const auto& r) {
              return year_row(r) && !(r.answers[0] < r.answers[1] && r.answers[1] < r.answers[2]);
            }),
            "");
}

TEST(OeuvresBank, CenturyRowsAreCountedAndAscending) {
  EXPECT_EQ(std::count_if(rows().begin(), rows().end(), century_row), 9)
      << "century rows:" << offending(century_row);
  EXPECT_EQ(offending([](const auto& r) {
              return century_row(r) && !(century(r.answers[0]) < century(r.answers[1]) &&
                                         century(r.answers[1]) < century(r.answers[2]));
            }),
            "");
}

// Counts and ages ("9 symphonies", "35 ans", "Plus de 600 Lieder").
TEST(OeuvresBank, OtherQuantityAnswersAscend) {
  EXPECT_EQ(offending([](const auto& r) {
              const long a = first_number(r.answers[0]), b = first_number(r.answers[1]),
                         c = first_number(r.answers[2]);
              return !year_row(r) && a >= 0 && b >= 0 && c >= 0 && !(a < b && b < c);
            }),
            "");
}

TEST(OeuvresBank, QuotedRowsStandWordForWord) {
  const std::map<int, ThreeAnswerRow> quoted{
      {1,
       {"Vivaldi, ordonné prêtre en 1703,  a été surnommé",
        {"Le curé des musiciens", "Le prêtre roux", "Le musicien du pape"},
        "2"}},
      {2, {"Antonio Vivaldi est un compositeur italien mort en", {"1602", "1678", "1741"}, "3"}},
      {3, {"Antonio Vivaldi est un compositeur italien né en", {"1602", "1678", "1793"}, "2"}},
      {5,
       {"Aïda (1871) est un opéra de",
        {"Gioacchino Rossini", "Giacomo Puccini", "Giuseppe Verdi"},
        "3"}},
      {35,
       {"La musique de scène du drame Kuolema (La mort, 1903), qui comprend la célèbre Valse "
        "triste, est une œuvre de",
        {"Jean Sibelius", "Richard Strauss", "Gustav Mahler"},
        "1"}},
      {38, {"Jean Sibelius est un compositeur", {"Norvégien", "Finlandais", "Italien"}, "2"}},
      {43, {"Franz Schubert a composé", {"5 Lieder", "131 Lieder", "Plus de 600 Lieder"}, "3"}},
      {129,
       {"Wolfgang Amadeus Mozart (1756-1791) est mort à", {"31 ans", "35 ans", "45 ans"}, "2"}},
      {135,
       {"Boris Godounov est un opéra de",
        {"Piotr Tchaïkovski", "Modest Petrovitch Moussorgski", "Nikolaï Rimski-Korsakov"},
        "2"}},
      {165,
       {"De quel façon meurt Jean-Baptiste Lully ?",
        {"Il se blesse avec un bâton dont il se servait pour battre la mesure", "Il est empoisonné",
         "Il se suicide"},
        "1"}},
      {290,
       {"Casse-Noisette est",
        {"Un petit instrument", "Un ballet de Tchaïkovski", "Le surnom de Richard Strauss"},
        "2"}},
      {294,
       {"Benjamin Britten est un compositeur anglais du",
        {"XVIIIe siècle", "XIXe siècle", "XXe siècle"},
        "3"}},
      {300,
       {"Boris Godounov est un opéra de",
        {"Piotr Tchaïkowski", "Modest  Moussorgski", "Igor Stravinski"},
        "2"}},
      {344,
       {"Adam de la Halle est un trouvère français du",
        {"XIIIe siècle", "XVIIe siècle", "XXe siècle"},
        "1"}},
  };
  ASSERT_EQ(rows().size(), 344u);
  for (const auto& [n, want] : quoted) {
    const auto& got = rows()[static_cast<std::size_t>(n - 1)];
    EXPECT_EQ(got.question, want.question) << "row " << n;
    EXPECT_EQ(got.answers, want.answers) << "row " << n;
    EXPECT_EQ(got.correct, want.correct) << "row " << n;
  }
  EXPECT_EQ(qz::testing::character_count(rows()[34].question), 108u);
  EXPECT_EQ(qz::testing::character_count(rows()[164].answers[0]), 67u);

  // What the record carries: one byte per character, blanks and commas kept.
  EXPECT_EQ(qz::to_cp1252(rows()[0].question),
            std::string("Vivaldi, ordonn\xE9 pr\xEAtre en 1703,  a \xE9t\xE9 surnomm\xE9"));
  EXPECT_EQ(qz::to_cp1252(rows()[0].answers[0]), std::string("Le cur\xE9 des musiciens"));
  EXPECT_EQ(
      qz::to_cp1252(rows()[34].question),
      std::string(
          "La musique de sc\xE8ne du drame Kuolema (La mort, 1903), qui comprend la c\xE9l\xE8"
          "bre Valse triste, est une \x9C"
          "uvre de"));
  EXPECT_EQ(qz::to_cp1252(rows()[299].answers[0]), std::string("Piotr Tcha\xEFkowski"));
  EXPECT_EQ(qz::to_cp1252(rows()[299].answers[1]), std::string("Modest  Moussorgski"));
}

}  // namespace
