#include "shell/record.hpp"

#include <gtest/gtest.h>

#include "note_reading/note_layout.hpp"
#include "shell/cp1252.hpp"
#include "tests/support/text.hpp"

namespace qz {
namespace {

QuestionRecord sample(std::string question, std::string fifth) {
  return {std::move(question), "Mi", "Do", "La", std::move(fifth), "2", "15_Do", "15_Do",
          "Treble7.exe"};
}

TEST(RecordBytes, NoteRecordIsOneQuotedCp1252LineEndingInCrLf) {
  EXPECT_EQ(encode_record(sample("Quel est le nom de cette note?", "Fa")),
            "\"Quel est le nom de cette note?\",\"Mi\",\"Do\",\"La\",\"Fa\",\"2\",\"15_Do\","
            "\"15_Do\",\"Treble7.exe\"\r\n");
}

TEST(RecordBytes, TextsStandUnchangedInsideTheirQuotes) {
  // Commas, leading, trailing and double blanks, an empty fifth field, œ and é.
  const std::string line =
      encode_record(sample("  Vivaldi, ordonné prêtre en 1703,  a été surnommé œ ", ""));
  const std::string question =
      "\"  Vivaldi, ordonn\xE9 pr\xEAtre en 1703,  a \xE9t\xE9 surnomm\xE9 \x9C \",";
  EXPECT_EQ(line.substr(0, question.size()), question);
  EXPECT_NE(line.find(",\"La\",\"\",\"2\","), std::string::npos);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(RecordBytes, TextOutsideTheCodePageIsRefusedNotWritten) {
  EXPECT_THROW(encode_record(sample("Quelle note ♪ ?", "Fa")), std::logic_error);
  EXPECT_THROW(encode_record(sample(std::string("bad \xC3", 5), "Fa")), std::logic_error);
}

TEST(RecordFields, ComeFromTheLabelsAndTheModuleLiteral) {
  Form_jeu form(note_reading::window_layout);
  form.Label_question.Caption = "Q";
  form.Label_reponse4.Caption = "R4";
  form.Label_Bonne_reponse.Caption = "4";
  form.Label_musiques_sons.Caption = "non";
  const QuestionRecord record = record_from(form, "Treble7.exe");
  EXPECT_EQ(record[0], "Q");
  EXPECT_EQ(record[4], "R4");
  EXPECT_EQ(record[5], "4");
  EXPECT_EQ(record[7], "non");
  EXPECT_EQ(record[8], "Treble7.exe");
}

TEST(Cp1252, RoundTripsEveryCharacterOfTheCodePage) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string original(1, static_cast<char>(byte));
    const auto back = to_cp1252(testing::from_cp1252(original));
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) {
      continue;  // undefined in the code page
    }
    ASSERT_TRUE(back.has_value()) << byte;
    EXPECT_EQ(*back, original) << byte;
  }
  EXPECT_EQ(to_cp1252("œ"), std::string("\x9C"));
  EXPECT_EQ(to_cp1252("’"), std::string("\x92"));
  EXPECT_FALSE(to_cp1252("\xC0\x80").has_value());  // overlong
}

TEST(Cp1252, SurrogatesAreNotUtf8AndTheRecordSaysSo) {
  EXPECT_TRUE(is_valid_utf8("\xED\x9F\xBF"));       // U+D7FF, just below
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // U+D800
  EXPECT_FALSE(is_valid_utf8("\xED\xBF\xBF"));      // U+DFFF
  EXPECT_TRUE(is_valid_utf8("\xEE\x80\x80"));       // U+E000, just above
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  QuestionRecord record;
  record[2] = "Mi\xED\xA0\x80";
  try {
    encode_record(record);
    FAIL() << "a surrogate was written";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "field 3 is not valid UTF-8");
  }
  record[2] = "Ré €";
  record[3] = "\xE2\x86\x92";  // an arrow: valid, but not in the code page
  EXPECT_THROW(encode_record(record), std::logic_error);
}

}  // namespace
}  // namespace qz
