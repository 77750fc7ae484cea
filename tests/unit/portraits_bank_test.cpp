// Structural checks of the portraits bank and its draw. Every failure names
// the offending rows by their 1-based row number, the key of the draw.

#include "banks/portraits_bank.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "banks/bank_layouts.hpp"
#include "shell/cp1252.hpp"
#include "tests/support/bank_checks.hpp"
#include "tests/support/fakes.hpp"
#include "tests/support/text.hpp"

namespace {

using qz::banks::PortraitRow;
using qz::banks::portraits_rows;

constexpr std::size_t kRowCount = 104;

// The composer each portrait shows, in row order; the right answer of row n
// is written exactly like entry n.
constexpr std::array<std::string_view, kRowCount> kShown = {
    "Adolphe-Charles Adam",
    "Isaac Albéniz",
    "Johann Sebastian Bach",
    "Carl Philipp Emanuel Bach",
    "Johann Christian Bach",
    "Béla Bartok",
    "Ludwig van Beethoven",
    "Vincenzo Bellini",
    "Hector Berlioz",
    "Georges Bizet",
    "Luigi Boccherini",
    "François Adrien Boieldieu",
    "Alexandre Borodine",
    "Johannes Brahms",
    "Benjamin Britten",
    "Max Bruch",
    "Anton Bruckner",
    "Ferruccio Busoni",
    "Emmanuel Chabrier",
    "Gustave Charpentier",
    "Ernest Chausson",
    "Luigi Cherubini",
    "Frédéric Chopin",
    "Domenico Cimarosa",
    "Arcangelo Corelli",
    "François Couperin",
    "Claude Debussy",
    "Michel Richard Delalande",
    "Léo Delibes",
    "Josquin Després",
    "Gaetano Donizetti",
    "Paul Dukas",
    "Henri Duparc",
    "Antonin Dvorak",
    "Manuel de Falla",
    "Gabriel Fauré",
    "César-Auguste Franck",
    "George Gershwin",
    "Mikhaïl Glinka",
    "Christoph Willibald Gluck",
    "François-Joseph Gossec",
    "Charles Gounod",
    "Edvard Grieg",
    "Georg Friedrich Haendel",
    "Franz Joseph Haydn",
    "Arthur Honegger",
    "Johann Nepomuk Hummel",
    "Vincent d’Indy",
    "Leos Janacek",
    "Scott Joplin",
    "Charles Koechlin",
    "Edouard Lalo",
    "Roland de Lassus",
    "Franz Liszt",
    "Jean-Baptiste Lully",
    "Gustav Mahler",
    "Marin Marais",
    "Pietro Mascagni",
    "Jules Massenet",
    "Etienne-Nicolas Méhul",
    "Félix Mendelssohn-Bartoldy",
    "Olivier Messiaen",
    "Giacomo Meyerbeer",
    "Claudio Monteverdi",
    "Modest Moussorgski",
    "Wolfgang Amadeus Mozart",
    "Jacques Offenbach",
    "Giovanni Pierluigi da Palestrina",
    "Giovanni Battista Pergolesi",
    "Francis Poulenc",
    "Giacomo Puccini",
    "Henry Purcell",
    "Sergheï Rachmaninov",
    "Jean-Philippe Rameau",
    "Maurice Ravel",
    "Nikolaï Andréïévitch Rimski-Korsakov",
    "Gioacchino Rossini",
    "Jean-Jacques Rousseau",
    "Anton Rubinstein",
    "Camille Saint-Saëns",
    "Antonio Salieri",
    "Erik Satie",
    "Alessandro Scarlatti",
    "Domenico Scarlatti",
    "Florent Schmitt",
    "Franz Schubert",
    "Robert Schumann",
    "Jean Sibelius",
    "Bedrich Smetana.",
    "Johann Strauss (fils)",
    "Johann Strauss (père)",
    "Richard Strauss",
    "Igor Stravinski",
    "Karol Szymanowski",
    "Giuseppe Tartini",
    "Piotr Ilitch Tchaïkovski",
    "Georg Philipp Telemann",
    "Ambroise Thomas",
    "Edgard Varèse",
    "Giuseppe Verdi",
    "Heitor Villa-Lobos",
    "Antonio Vivaldi",
    "Richard Wagner",
    "Carl Maria von Weber",
};

// Index 0..3 of the right answer, or 4 when the caption is not "1".."4".
std::size_t right_index(const PortraitRow& row) {
  const auto at = std::string_view("1234").find(row.correct);
  return row.correct.size() == 1 && at != std::string_view::npos ? at : 4;
}

// The rows for which bad(row, n) holds, as "3, 17" (empty when none).
template <typename Predicate>
std::string rows_where(Predicate bad) {
  return qz::testing::rows_where(portraits_rows(), bad);
}

std::size_t length(std::string_view text) { return qz::testing::character_count(text); }

TEST(PortraitsBank, HoldsOneHundredAndFourRowsWithTheCorrectPositionCounts) {
  ASSERT_EQ(portraits_rows().size(), kRowCount);
  EXPECT_EQ(rows_where([](const PortraitRow& row, std::size_t) { return right_index(row) > 3; }),
            "");
  EXPECT_EQ(qz::testing::correct_position_counts(portraits_rows()),
            (qz::testing::PositionCounts{{"1", 32}, {"2", 26}, {"3", 20}, {"4", 26}}));
}

TEST(PortraitsBank, EachRowNamesFourDifferentComposers) {
  EXPECT_EQ(rows_where([](const PortraitRow& row, std::size_t) {
              const std::set<std::string_view> names(row.answers.begin(), row.answers.end());
              return names.size() != 4 || names.contains("");
            }),
            "");
}

// Row n shows the n-th composer in surname order, and that composer only.
TEST(PortraitsBank, TheRightAnswerIsTheComposerOfTheRowsPortrait) {
  ASSERT_EQ(portraits_rows().size(), kRowCount);
  EXPECT_EQ(rows_where([](const PortraitRow& row, std::size_t n) {
              const std::size_t at = right_index(row);
              return at > 3 || row.answers[at] != kShown[n - 1];
            }),
            "");
  EXPECT_EQ(std::set<std::string_view>(kShown.begin(), kShown.end()).size(), kRowCount);
}

// A composer is written the same way wherever he appears, so the bank holds
// the 104 portrayed composers and a single one named only as a wrong answer.
TEST(PortraitsBank, NamesOneHundredAndFiveComposersOneOfThemNeverRight) {
  std::set<std::string_view> names;
  for (const auto& row : portraits_rows()) {
    names.insert(row.answers.begin(), row.answers.end());
  }
  EXPECT_EQ(names.size(), kRowCount + 1);
  std::vector<std::string_view> never_right;
  std::ranges::set_difference(names, std::set<std::string_view>(kShown.begin(), kShown.end()),
                              std::back_inserter(never_right));
  EXPECT_EQ(never_right.size(), 1U) << ::testing::PrintToString(never_right);
}

TEST(PortraitsBank, RowsThirtyTwoToThirtyFourShareTheirAnswers) {
  const auto rows = portraits_rows();
  ASSERT_EQ(rows.size(), kRowCount);
  const std::array<std::string_view, 4> shared = {"Manuel de Falla", "Paul Dukas", "Antonin Dvorak",
                                                  "Henri Duparc"};
  EXPECT_EQ(rows_where([&](const PortraitRow& row, std::size_t n) {
              return n >= 32 && n <= 34 && row.answers != shared;
            }),
            "");
  EXPECT_EQ(rows[31].correct, "2");
  EXPECT_EQ(rows[32].correct, "4");
  EXPECT_EQ(rows[33].correct, "3");
  EXPECT_EQ(rows_where([&](const PortraitRow& row, std::size_t n) {
              return (n < 32 || n > 34) && row.answers == shared;
            }),
            "");
}

TEST(PortraitsBank, NamesFitThirtySixCharactersAndRowSeventySixHoldsTheLongest) {
  EXPECT_EQ(rows_where([](const PortraitRow& row, std::size_t) {
              return std::ranges::any_of(row.answers, [](auto t) { return length(t) > 36; });
            }),
            "");
  EXPECT_EQ(rows_where([](const PortraitRow& row, std::size_t) {
              return length(row.answers[right_index(row) % 4]) == 36;
            }),
            "76");
}

// Printable ASCII but the double quote, and the few letters of French usage
// that code page 1252 holds: ç è é ë ï and the typographic apostrophe.
TEST(PortraitsBank, NamesUseOnlyTheirCp1252Letters) {
  const auto bad_text = [](std::string_view text) {
    return qz::testing::has_other_bytes(text, [](unsigned char b) {
      return b == 0x92 || b == 0xE7 || b == 0xE8 || b == 0xE9 || b == 0xEB || b == 0xEF;
    });
  };
  EXPECT_EQ(rows_where([&](const PortraitRow& row, std::size_t) {
              return std::ranges::any_of(row.answers, bad_text);
            }),
            "");
  const auto bytes = qz::to_cp1252(kShown[47]);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, "Vincent d\x92Indy");
}

TEST(PortraitsBank, QuotedRowsStandExactly) {
  const std::map<std::size_t, PortraitRow> kQuoted = {
      {1,
       {{"Adolphe-Charles Adam", "Ludwig van Beethoven", "Edouard Lalo", "Hector Berlioz"}, "1"}},
      {2, {{"Béla Bartok", "Ferruccio Busoni", "Isaac Albéniz", "Paul Dukas"}, "3"}},
      {7,
       {{"Wolfgang Amadeus Mozart", "Franz Schubert", "Ludwig van Beethoven", "Johannes Brahms"},
        "3"}},
      {27, {{"Claude Debussy", "Maurice Ravel", "Camille Saint-Saëns", "Vincent d’Indy"}, "1"}},
      {32, {{"Manuel de Falla", "Paul Dukas", "Antonin Dvorak", "Henri Duparc"}, "2"}},
      {33, {{"Manuel de Falla", "Paul Dukas", "Antonin Dvorak", "Henri Duparc"}, "4"}},
      {34, {{"Manuel de Falla", "Paul Dukas", "Antonin Dvorak", "Henri Duparc"}, "3"}},
      {61,
       {{"Robert Schumann", "Félix Mendelssohn-Bartoldy", "Johann Strauss (père)",
         "Gaetano Donizetti"},
        "2"}},
      {76,
       {{"Nikolaï Andréïévitch Rimski-Korsakov", "Camille Saint-Saëns", "Giacomo Puccini",
         "Jules Massenet"},
        "1"}},
      {104,
       {{"Carl Maria von Weber", "Ludwig van Beethoven", "Antonio Salieri", "Franz Schubert"},
        "1"}},
  };
  EXPECT_EQ(rows_where([&](const PortraitRow& row, std::size_t n) {
              const auto quoted = kQuoted.find(n);
              return quoted != kQuoted.end() && (row.answers != quoted->second.answers ||
                                                 row.correct != quoted->second.correct);
            }),
            "");
}

// --- the draw --------------------------------------------------------------

struct Drawn {
  std::int16_t row;
  std::array<std::string, 8> labels;  // question, answers 1..4, correct, picture, sound
};

Drawn draw_with(double r) {
  qz::Form_jeu form(qz::banks::portraits::window_layout);
  qz::testing::ScriptedSource random{r};
  qz::banks::Module_questions module_questions;
  qz::banks::portraits::tirer_question(form, random, module_questions);
  EXPECT_EQ(random.taken(), 1U);
  return {
      module_questions.current_question_number,
      {form.Label_question.Caption, form.Label_reponse1.Caption, form.Label_reponse2.Caption,
       form.Label_reponse3.Caption, form.Label_reponse4.Caption, form.Label_Bonne_reponse.Caption,
       form.Label_image.Caption, form.Label_musiques_sons.Caption}};
}

TEST(PortraitsDraw, EndsOfTheUnitIntervalSelectTheFirstAndLastPortraits) {
  const Drawn first = draw_with(0.0);
  EXPECT_EQ(first.row, 1);
  EXPECT_EQ(first.labels[6], "101");
  EXPECT_EQ(first.labels[1], "Adolphe-Charles Adam");
  const Drawn last = draw_with(std::nextafter(1.0, 0.0));
  EXPECT_EQ(last.row, 104);
  EXPECT_EQ(last.labels[6], "204");
  EXPECT_EQ(last.labels[1], "Carl Maria von Weber");
}

TEST(PortraitsDraw, EveryRowFillsAllFourAnswersItsPictureAndNoSound) {
  const auto rows = portraits_rows();
  ASSERT_EQ(rows.size(), kRowCount);
  for (int n = 1; n <= static_cast<int>(kRowCount); ++n) {
    const Drawn drawn = draw_with(qz::testing::r_for(n, static_cast<int>(kRowCount)));
    const PortraitRow& row = rows[static_cast<std::size_t>(n - 1)];
    ASSERT_EQ(drawn.row, n);
    const std::array<std::string, 8> expected = {
        "Ce portrait est celui de :", std::string(row.answers[0]),
        std::string(row.answers[1]),  std::string(row.answers[2]),
        std::string(row.answers[3]),  std::string(row.correct),
        std::to_string(100 + n),      "non"};
    EXPECT_EQ(drawn.labels, expected) << "row " << n;
    EXPECT_FALSE(drawn.labels[4].empty()) << "row " << n;
  }
}

TEST(PortraitsDraw, RowsThirtyTwoToThirtyFourDifferOnlyInPositionAndPicture) {
  const auto drawn = [](int n) { return draw_with(qz::testing::r_for(n, 104)).labels; };
  const auto a = drawn(32);
  const auto b = drawn(33);
  const auto c = drawn(34);
  for (std::size_t field = 0; field < a.size(); ++field) {
    const bool differs = field == 5 || field == 6;
    EXPECT_EQ(a[field] != b[field], differs) << "field " << field + 1;
    EXPECT_EQ(b[field] != c[field], differs) << "field " << field + 1;
  }
}

}  // namespace
