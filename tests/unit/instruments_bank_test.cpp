// Structural checks of the instruments bank, of what its draw leaves in the
// window, and of the 25 recordings the listening rows name. Every failure
// names the offending rows by their 1-based number, the key of the draw.

#include "banks/instruments_bank.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
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

using qz::banks::InstrumentRow;

constexpr int kRowCount = 98;
constexpr int kLastTextRow = 32;
constexpr int kLastPictureRow = 73;

enum class Kind { text, picture, listening };

Kind kind_of(int n) {
  return n <= kLastTextRow ? Kind::text : n <= kLastPictureRow ? Kind::picture : Kind::listening;
}

struct Picture {
  std::string_view resource;
  std::string_view right_answer;
};

// Picture n is shown by row n + 32.
constexpr std::array<Picture, 41> kPictures = {{
    {"01_ACCORDEON", "Un accordéon "},
    {"02_BATTERIE", "Une batterie"},
    {"03_BOMBARDE", "Une bombarde "},
    {"04_CORNEMUSE", "Une cornemuse "},
    {"05_DJEMBE", "Un djembé "},
    {"06_FLUTE_BEC", "Une flûte à bec"},
    {"07_GUITARE_ELECTRIQUE", "Une guitare électrique"},
    {"08_GUITARE", "Une guitare"},
    {"09_HARMONICA", "Un harmonica"},
    {"10_SYNTHE", "Un synthétiseur"},
    {"11_PIANO", "Un piano"},
    {"12_XYLOPHONE", "Un xylophone"},
    {"13_BASSON", "Un basson"},
    {"14_CLARINETTE", "Une clarinette "},
    {"15_CLBASSE", "Une clarinette basse"},
    {"16_COR", "Un cor"},
    {"17_COR_ANGLAIS", "Un cor anglais"},
    {"18_CONTREBASSE", "Une contrebasse"},
    {"19_CONTREBASSON", "Un contrebasson"},
    {"20_STEEL_DRUM", "Un steel-drum "},
    {"21_FLUTE", "Une flûte traversière"},
    {"22_GCAISSE", "Une grosse caisse"},
    {"23_HARPE", "Une harpe"},
    {"24_HAUTBOIS", "Un hautbois"},
    {"25_PICCOLO", "Une flûte piccolo"},
    {"26_TAMBOUR", "Un tambour "},
    {"27_BALAFON", "Un balafon"},
    {"28_TROMBONE", "Un trombone"},
    {"29_TROMPETTE", "Une trompette"},
    {"30_TUBA", "Un tuba"},
    {"31_VIOLON", "Un violon"},
    {"32_VIOLONCELLE", "Un violoncelle"},
    {"33_GUIRO", "Un guiro"},
    {"34_SAXO", "Un saxophone"},
    {"35_CYMBALES", "Cymbales"},
    {"36_MARACAS", "Maracas"},
    {"37_CLOCHES", "Cloches"},
    {"38_CONGAS", "Congas"},
    {"39_BONGOS", "Bongos"},
    {"40_TIMBALES", "Timbales"},
    {"41_TAMAS", "Tamas"},
}};

struct Sound {
  std::string_view resource;
  bool plural;
  std::string_view right_answer;
  double seconds;
};

// Sound n is played by row n + 73.
constexpr std::array<Sound, 25> kSounds = {{
    {"01_GUITARE_ELECTRIQUE", false, "Une guitare électrique", 6.9},
    {"02_GUITARE", false, "Une guitare", 6.8},
    {"03_GUITARE_ELECTRIQUE", false, "Une guitare électrique", 8.4},
    {"04_HARMONICA", false, "Un harmonica", 6.7},
    {"05_VIOLON", false, "Un violon", 4.2},
    {"06_SAXOPHONE", false, "Un saxophone", 4.2},
    {"07_BASSE", false, "Une basse électrique", 4.7},
    {"08_TROMBONE", false, "Un trombone ", 3.0},
    {"09_CAISSE_CLAIRE", false, "Une caisse claire ", 4.7},
    {"10_CHARLEY", false, "Une cymbale charleston", 3.5},
    {"11_CLARINETTE", false, "Une clarinette", 3.7},
    {"12_TRIANGLE", false, "Un triangle", 6.1},
    {"13_TAMBOUR", false, "Un tambour", 2.3},
    {"14_CYMBALE", false, "Une cymbale", 7.0},
    {"15_FLUTE", false, "Une flûte", 4.2},
    {"16_COR_CUIVRE", false, "Un cor", 3.1},
    {"17_COR", false, "Un cor", 2.9},
    {"18_SIFFLET", false, "Un sifflet", 0.7},
    {"19_TROMPETTE", false, "Une trompette", 7.4},
    {"20_MARACAS", true, "Maracas ", 5.4},
    {"21_CONGAS", true, "Congas", 2.5},
    {"22_TOMS_TOMS", true, "Tom-toms", 5.0},
    {"23_CLOCHES", true, "Cloches", 1.3},
    {"24_CYMBALES", true, "Cymbales", 2.2},
    {"25_PIANO", false, "Un piano", 4.0},
}};

const InstrumentRow& row(int n) {
  return qz::banks::instruments_rows()[static_cast<std::size_t>(n - 1)];
}

const Picture& picture_of(int n) { return kPictures[static_cast<std::size_t>(n - 33)]; }
const Sound& sound_of(int n) { return kSounds[static_cast<std::size_t>(n - 74)]; }

// The rows n for which bad(row, n) holds, as "3, 17" (empty when none).
template <typename Predicate>
std::string rows_where(Predicate bad) {
  return qz::testing::rows_where(
      qz::banks::instruments_rows(),
      [&bad](const InstrumentRow& r, std::size_t n) { return bad(r, static_cast<int>(n)); });
}

// The answers a row shows: three in text rows, four in the others.
std::vector<std::string_view> shown_answers(const InstrumentRow& r, int n) {
  const auto count = kind_of(n) == Kind::text ? 3 : 4;
  return {r.answers.begin(), r.answers.begin() + count};
}

std::string_view right_answer(const InstrumentRow& r) {
  const auto at = static_cast<std::size_t>(r.correct.at(0) - '1');
  return at < r.answers.size() ? r.answers[at] : std::string_view{};
}

std::string small_letters(std::string_view name) {
  std::string out(name);
  std::ranges::transform(out, out.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return out;
}

std::size_t length(std::string_view text) { return qz::testing::character_count(text); }

std::string_view trimmed(std::string_view text) {
  while (text.ends_with(' ')) {
    text.remove_suffix(1);
  }
  return text;
}

TEST(InstrumentsBank, RowNumbersFixTheKindOfEveryRow) {
  ASSERT_EQ(qz::banks::instruments_rows().size(), static_cast<std::size_t>(kRowCount));
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::text &&
                     (!r.picture.empty() || !r.sound.empty() || !r.answers[3].empty());
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::picture && (r.picture.empty() || !r.sound.empty());
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::listening && (!r.picture.empty() || r.sound.empty());
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return std::ranges::any_of(shown_answers(r, n), &std::string_view::empty);
            }),
            "");
}

TEST(InstrumentsBank, PictureAndListeningRowsAskTheirFixedQuestions) {
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::picture &&
                     r.question != (n <= 66 ? "Cet instrument est" : "Ces instruments sont des");
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              if (kind_of(n) != Kind::listening) {
                return false;
              }
              const bool blank_after = n >= 90 && n <= 92;
              const std::string singular =
                  std::string("L'instrument entendu est") + (blank_after ? " " : "");
              return r.question != (sound_of(n).plural ? "Les instruments entendus sont des"
                                                       : std::string_view(singular));
            }),
            "");
  // Singular questions take answers with their article, plural ones bare nouns.
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              if (kind_of(n) == Kind::text) {
                return false;
              }
              const bool plural = r.question.starts_with("Ces") || r.question.starts_with("Les");
              return std::ranges::any_of(r.answers, [&](std::string_view a) {
                return plural == (a.starts_with("Un ") || a.starts_with("Une "));
              });
            }),
            "");
}

TEST(InstrumentsBank, CorrectPositionsAreSpreadAsWritten) {
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              const std::string_view last = kind_of(n) == Kind::text ? "3" : "4";
              return r.correct.size() != 1 || r.correct < "1" || r.correct > last;
            }),
            "");
  std::map<Kind, std::map<std::string_view, int>> counts;
  for (int n = 1; n <= kRowCount; ++n) {
    ++counts[kind_of(n)][row(n).correct];
  }
  using Counts = std::map<std::string_view, int>;
  EXPECT_EQ(counts[Kind::text], (Counts{{"1", 12}, {"2", 14}, {"3", 6}}));
  EXPECT_EQ(counts[Kind::picture], (Counts{{"1", 12}, {"2", 13}, {"3", 8}, {"4", 8}}));
  EXPECT_EQ(counts[Kind::listening], (Counts{{"1", 7}, {"2", 12}, {"3", 5}, {"4", 1}}));
}

TEST(InstrumentsBank, PictureAndSoundNamesAndRightAnswersFollowTheirTables) {
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::picture &&
                     (r.picture != small_letters(picture_of(n).resource) ||
                      right_answer(r) != picture_of(n).right_answer);
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::listening &&
                     (r.sound != small_letters(sound_of(n).resource) ||
                      right_answer(r) != sound_of(n).right_answer);
            }),
            "");
  EXPECT_EQ(row(33).picture, "01_accordeon");
  EXPECT_EQ(row(73).picture, "41_tamas");
  EXPECT_EQ(row(74).sound, "01_guitare_electrique");
  EXPECT_EQ(row(98).sound, "25_piano");
}

TEST(InstrumentsBank, TextLengthsStayWithinTheBankLimits) {
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return kind_of(n) == Kind::text &&
                     (length(r.question) < 13 || length(r.question) > 96);
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int) { return length(r.question) == 96; }), "30");
  EXPECT_EQ(rows_where([](const auto& r, int) { return length(r.question) == 13; }), "4");
  EXPECT_EQ(rows_where([](const auto& r, int) {
              return std::ranges::any_of(r.answers, [](auto a) { return length(a) > 46; });
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int) {
              return std::ranges::any_of(r.answers, [](auto a) { return length(a) == 46; });
            }),
            "24");
}

// Printable ASCII but the double quote, and the seven accented letters the
// bank uses: à è é ê ë ï û.
TEST(InstrumentsBank, TextsUseOnlyTheBanksCp1252Letters) {
  const auto bad_text = [](std::string_view text) {
    return qz::testing::has_other_bytes(text, [](unsigned char b) {
      constexpr std::string_view kAccented = "\xE0\xE8\xE9\xEA\xEB\xEF\xFB";
      return kAccented.find(static_cast<char>(b)) != std::string_view::npos;
    });
  };
  EXPECT_EQ(rows_where([&](const auto& r, int) {
              return bad_text(r.question) || std::ranges::any_of(r.answers, bad_text) ||
                     bad_text(r.picture) || bad_text(r.sound);
            }),
            "");
}

TEST(InstrumentsBank, BlanksStandOnlyWhereTheBankKeepsThem) {
  const auto badly_spaced = [](std::string_view t) {
    return t.starts_with(' ') || t.find("  ") != std::string_view::npos;
  };
  EXPECT_EQ(rows_where([&](const auto& r, int) {
              return badly_spaced(r.question) || std::ranges::any_of(r.answers, badly_spaced);
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int) { return r.question.ends_with(' '); }), "90, 91, 92");
  // Only right answers taken from the tables end in a blank.
  EXPECT_EQ(rows_where([](const auto& r, int) {
              return std::ranges::any_of(r.answers, [](auto a) { return a.ends_with(' '); });
            }),
            "33, 35, 36, 37, 46, 52, 58, 81, 82, 93");
  EXPECT_EQ(rows_where([](const auto& r, int) {
              return std::ranges::any_of(
                  r.answers, [&](auto a) { return a.ends_with(' ') && a != right_answer(r); });
            }),
            "");
}

// Distinct answers (blanks aside) leave a single right one in every row.
TEST(InstrumentsBank, AnswersOfARowAreDistinctAndSharedListsAgree) {
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              std::set<std::string_view> seen;
              for (const auto a : shown_answers(r, n)) {
                if (!seen.insert(trimmed(a)).second) {
                  return true;
                }
              }
              return false;
            }),
            "");
  std::set<std::string_view> questions;
  EXPECT_EQ(rows_where([&](const auto& r, int n) {
              return kind_of(n) == Kind::text && !questions.insert(r.question).second;
            }),
            "");
  EXPECT_EQ(rows_where([](const auto& r, int n) {
              return (n >= 68 && n <= 70 && r.answers != row(67).answers) ||
                     (n >= 72 && n <= 73 && r.answers != row(71).answers);
            }),
            "");
}

TEST(InstrumentsBank, QuotedRowsStandWordForWord) {
  // clang-format off
  const std::map<int, InstrumentRow> quoted = {
      {1, {"L'alto appartient à la famille des", {"Vents", "Cordes", "Bois", ""}, "2", "", ""}},
      {4, {"Le basson est", {"Un instrument à vent", "Un chien", "Une percussion", ""}, "1", "", ""}},
      {11, {"La clarinette a été inventé vers", {"1468", "1690", "1895", ""}, "2", "", ""}},
      {24, {"Le piano est un instrument à clavier", {"Dont les cordes sont frappées par des marteaux", "Dont les cordes sont pincées", "Sans cordes", ""}, "1", "", ""}},
      {30, {"Dans l'orchestre symphonique, le Tam-tam, sorte de gong en bronze, est une percussion originaire", {"D'Extrême-Orient", "D'Afrique", "D'Europe", ""}, "1", "", ""}},
      {31, {"Le trombone est un instrument à vent de la famille des", {"Plastiques", "Bois", "Cuivres", ""}, "3", "", ""}},
      {33, {"Cet instrument est", {"Un tuba", "Un accordéon ", "Un Piano", "Une guitare"}, "2", "01_accordeon", ""}},
      {47, {"Cet instrument est", {"Un tuba", "Un basson", "Une clarinette basse", "Un trombone"}, "3", "15_clbasse", ""}},
      {67, {"Ces instruments sont des", {"Cloches", "Cymbales", "Congas", "Maracas"}, "2", "35_cymbales", ""}},
      {68, {"Ces instruments sont des", {"Cloches", "Cymbales", "Congas", "Maracas"}, "4", "36_maracas", ""}},
      {74, {"L'instrument entendu est", {"Un piano", "Une guitare électrique", "Un violon", "Un violoncelle"}, "2", "", "01_guitare_electrique"}},
      {93, {"Les instruments entendus sont des", {"Timbales", "Maracas ", "Tom-toms", "Cloches"}, "2", "", "20_maracas"}},
      {98, {"L'instrument entendu est", {"Un clavecin", "Un piano", "Une harpe", "Une guitare"}, "2", "", "25_piano"}},
  };
  // clang-format on
  const auto differs = [](const InstrumentRow& a, const InstrumentRow& b) {
    return a.question != b.question || a.answers != b.answers || a.correct != b.correct ||
           a.picture != b.picture || a.sound != b.sound;
  };
  EXPECT_EQ(rows_where([&](const auto& r, int n) {
              return quoted.contains(n) && differs(r, quoted.at(n));
            }),
            "");
}

// --- The draw and the labels it fills --------------------------------------

// Fields 1 to 8 of the record, as the labels hold them.
using Fields = std::array<std::string, 8>;

struct Drawn {
  std::int16_t row;
  Fields fields;
  bool reponse4_visible;
  bool numero4_visible;
};

Drawn draw_with(double r) {
  qz::Form_jeu form(qz::banks::instruments::window_layout);
  qz::testing::ScriptedSource random{r};
  qz::banks::Module_questions module_questions;
  qz::banks::instruments::tirer_question(form, random, module_questions);
  EXPECT_EQ(random.taken(), 1U) << "one value per draw";
  return {
      module_questions.current_question_number,
      {form.Label_question.Caption, form.Label_reponse1.Caption, form.Label_reponse2.Caption,
       form.Label_reponse3.Caption, form.Label_reponse4.Caption, form.Label_Bonne_reponse.Caption,
       form.Label_image.Caption, form.Label_musiques_sons.Caption},
      form.Label_reponse4.Visible,
      form.Label_numero4.Visible};
}

Drawn draw_row(int n) { return draw_with(qz::testing::r_for(n, kRowCount)); }

TEST(InstrumentsDraw, EndsOfTheUnitIntervalSelectTheFirstAndLastRows) {
  const Drawn first = draw_with(0.0);
  EXPECT_EQ(first.row, 1);
  EXPECT_EQ(first.fields[0], row(1).question);
  EXPECT_FALSE(first.reponse4_visible);

  const Drawn last = draw_with(std::nextafter(1.0, 0.0));
  EXPECT_EQ(last.row, kRowCount);
  EXPECT_EQ(last.fields[6], "100");
  EXPECT_EQ(last.fields[7], "25_piano");
}

TEST(InstrumentsDraw, RowsAtTheBordersOfTheKindsFillTheirKindsFields) {
  const Drawn text = draw_row(32);
  EXPECT_EQ(text.fields[4], "");
  EXPECT_EQ(text.fields[6], "100");
  EXPECT_EQ(text.fields[7], "non");

  const Drawn first_picture = draw_row(33);
  EXPECT_EQ(first_picture.fields, (Fields{"Cet instrument est", "Un tuba", "Un accordéon ",
                                          "Un Piano", "Une guitare", "2", "01_accordeon", "non"}));

  EXPECT_EQ(draw_row(73).fields[6], "41_tamas");
  EXPECT_EQ(draw_row(73).fields[7], "non");

  const Drawn first_listening = draw_row(74);
  EXPECT_EQ(first_listening.fields[6], "100");
  EXPECT_EQ(first_listening.fields[7], "01_guitare_electrique");
}

TEST(InstrumentsDraw, EveryRowFillsTheLabelsOfItsKind) {
  for (int n = 1; n <= kRowCount; ++n) {
    const Drawn drawn = draw_row(n);
    const InstrumentRow& r = row(n);
    ASSERT_EQ(drawn.row, n);
    const Kind kind = kind_of(n);
    const Fields expected = {std::string(r.question),
                             std::string(r.answers[0]),
                             std::string(r.answers[1]),
                             std::string(r.answers[2]),
                             kind == Kind::text ? "" : std::string(r.answers[3]),
                             std::string(r.correct),
                             kind == Kind::picture ? std::string(r.picture) : "100",
                             kind == Kind::listening ? std::string(r.sound) : "non"};
    EXPECT_EQ(drawn.fields, expected) << "row " << n;
    EXPECT_EQ(drawn.reponse4_visible, kind != Kind::text) << "row " << n;
    EXPECT_EQ(drawn.numero4_visible, kind != Kind::text) << "row " << n;
    EXPECT_FALSE(drawn.fields[6] != "100" && drawn.fields[7] != "non")
        << "row " << n << " names both a picture and a sound";
  }
}

TEST(InstrumentsDraw, RowsSixtySevenToSeventyDifferOnlyInPositionAndPicture) {
  const Drawn first = draw_row(67);
  std::set<std::string> positions{first.fields[5]};
  std::set<std::string> pictures{first.fields[6]};
  for (int n = 68; n <= 70; ++n) {
    const Drawn drawn = draw_row(n);
    EXPECT_TRUE(std::equal(drawn.fields.begin(), drawn.fields.begin() + 5, first.fields.begin()))
        << "row " << n;
    positions.insert(drawn.fields[5]);
    pictures.insert(drawn.fields[6]);
  }
  EXPECT_EQ(positions.size(), 4U);
  EXPECT_EQ(pictures.size(), 4U);
}

// --- The recordings --------------------------------------------------------

struct Wave {
  std::string error;  // empty when the file parsed
  std::vector<std::string> chunks;
  std::uint16_t format = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t bits = 0;
  std::uint32_t data_bytes = 0;
};

std::uint32_t little_endian(const std::string& bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    value = (value << 8U) | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

// Walks the RIFF chunks of a WAVE file, keeping their ids in order.
Wave parse_wave(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  Wave wave;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    wave.error = "not a RIFF WAVE file";
    return wave;
  }
  if (little_endian(bytes, 4, 4) + 8 != bytes.size()) {
    wave.error = "RIFF size disagrees with the file size";
    return wave;
  }
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const std::size_t size = little_endian(bytes, at + 4, 4);
    if (at + 8 + size > bytes.size()) {
      wave.error = "chunk " + id + " runs past the end";
      return wave;
    }
    if (id == "fmt " && size >= 16) {
      wave.format = static_cast<std::uint16_t>(little_endian(bytes, at + 8, 2));
      wave.channels = static_cast<std::uint16_t>(little_endian(bytes, at + 10, 2));
      wave.rate = little_endian(bytes, at + 12, 4);
      wave.bits = static_cast<std::uint16_t>(little_endian(bytes, at + 22, 2));
    } else if (id == "data") {
      wave.data_bytes = static_cast<std::uint32_t>(size);
    }
    wave.chunks.push_back(id);
    at += 8 + size + (size % 2);
  }
  if (at != bytes.size()) {
    wave.error = "trailing bytes after the last chunk";
  }
  return wave;
}

TEST(InstrumentSounds, EveryRecordingIsStereo16BitPcmOfItsLength) {
  const std::filesystem::path folder =
      std::filesystem::path(QZ_SOURCE_DIR) / "resources" / "instruments" / "sounds";
  std::set<std::string> on_disk;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".wav") {
      on_disk.insert(entry.path().stem().string());
    }
  }
  std::set<std::string> named;
  for (const Sound& sound : kSounds) {
    named.insert(std::string(sound.resource));
  }
  EXPECT_EQ(on_disk, named);

  int with_extra_chunk = 0;
  for (const Sound& sound : kSounds) {
    const std::string name(sound.resource);
    const Wave wave = parse_wave(folder / (name + ".wav"));
    ASSERT_EQ(wave.error, "") << name;
    EXPECT_EQ(wave.format, 1) << name << ": uncompressed PCM";
    EXPECT_EQ(wave.channels, 2) << name;
    EXPECT_EQ(wave.rate, 44100U) << name;
    EXPECT_EQ(wave.bits, 16) << name;
    const auto fmt = std::ranges::find(wave.chunks, "fmt ");
    const auto data = std::ranges::find(wave.chunks, "data");
    ASSERT_TRUE(fmt != wave.chunks.end() && data != wave.chunks.end() && fmt < data) << name;
    EXPECT_EQ(std::count(wave.chunks.begin(), wave.chunks.end(), "data"), 1) << name;
    const auto between = data - fmt - 1;
    EXPECT_LE(between, 1) << name;
    with_extra_chunk += between == 1 ? 1 : 0;
    const double seconds = wave.data_bytes / (2.0 * 2.0 * 44100.0);
    EXPECT_NEAR(seconds, sound.seconds, 0.05) << name;
  }
  EXPECT_EQ(with_extra_chunk, 17);
}

}  // namespace
