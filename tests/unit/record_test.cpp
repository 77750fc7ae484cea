#include "shell/record.hpp"

#include <gtest/gtest.h>

#include "shell/cp1252.hpp"
#include "shell/layouts.hpp"

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
  Form_jeu form(layouts::note_reading);
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
    const auto back = to_cp1252(from_cp1252(original));
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) {
      continue;  // undefined in the code page
    }
    ASSERT_TRUE(back.has_value()) << byte;
    EXPECT_EQ(*back, original) << byte;
  }
  EXPECT_EQ(to_cp1252("œ"), std::string("\x9C"));
  EXPECT_EQ(to_cp1252("’"), std::string("\x92"));
  EXPECT_FALSE(to_cp1252("\xC0\x80").has_value());  // overlong
  EXPECT_EQ(character_count("Ré œ"), 4U);
}

}  // namespace
}  // namespace qz
