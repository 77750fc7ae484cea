#include "shell/host_record_reader.hpp"

#include <gtest/gtest.h>

#include "tests/support/fakes.hpp"

namespace qz {
namespace {

using Source = testing::MemoryFileSystem::StringSource;

HostFields read(const std::string& text) {
  Source source(text);
  return read_host_fields(source);
}

std::string consume_error(const std::string& text) {
  Source source(text);
  try {
    consume_host_record(source);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

const std::string kRecord =
    "\"Quel est le nom de cette note?\",\"Mi\",\"Do\",\"La\",\"Fa\",\"2\",\"15_Do\","
    "\"15_Do\",\"Treble7.exe\"\r\n";

TEST(HostRecord, RecordInTheWrittenFormatReadsAsItsNineFields) {
  const HostFields fields = read(kRecord);
  ASSERT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[0], "Quel est le nom de cette note?");
  EXPECT_EQ(fields.values[4], "Fa");
  EXPECT_EQ(fields.values[8], "Treble7.exe");
  EXPECT_EQ(consume_error(kRecord), "");
}

TEST(HostRecord, QuotedTextsKeepCommasAndBlanks) {
  const HostFields fields = read("\"a, b\",  \" c \",3,4,5,6,7,8,9");
  ASSERT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[0], "a, b");
  EXPECT_EQ(fields.values[1], " c ");
}

TEST(HostRecord, UnquotedFieldsLineEndsOfEveryKindAndFieldsOverSeveralLines) {
  for (const std::string text : {"1,2,3\r\n4,5\n6\r7,8\r\n9", "1\n2\n3\n4\n5\n6\n7\n8\n9\n",
                                 "1,2,3,4,5,6,7,8,9,10,11\r\nmore lines\r\n"}) {
    const HostFields fields = read(text);
    ASSERT_EQ(fields.count, 9U) << text;
    EXPECT_EQ(fields.values[5], "6") << text;
    EXPECT_EQ(fields.values[8], "9") << text;
  }
}

TEST(HostRecord, QuotedNinthFieldEndingAtEndOfFile) {
  const HostFields fields = read("1,2,3,4,5,6,7,8,\"nine\"");
  ASSERT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[8], "nine");
}

TEST(HostRecord, QuotedFieldRunsAcrossLineEndsAndSkipsWhatFollowsItsQuote) {
  const HostFields fields = read("\"one\r\nline\"junk,2,3,4,5,6,7,8,9");
  ASSERT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[0], "one\r\nline");
  EXPECT_EQ(fields.values[1], "2");
}

TEST(HostRecord, EveryDelimiterEndsOneFieldSoRunsAndBlankLinesGiveEmptyFields) {
  HostFields fields = read(",,,,,,,,\r\n");
  EXPECT_EQ(fields.count, 9U);
  fields = read("1,2,3,4\r\n\r\n6,7,8\n");  // the blank line is field 5
  EXPECT_EQ(fields.count, 8U);
  EXPECT_EQ(fields.values[4], "");
}

TEST(HostRecord, EndOfFileRightAfterADelimiterStartsNoField) {
  EXPECT_EQ(read("1,2,3,4,5,6,7,8,").count, 8U);
  EXPECT_EQ(read("1,2,3,4,5,6,7,8\r\n").count, 8U);
  EXPECT_EQ(read("1,2,3,4,5,6,7,8, ").count, 9U);
}

TEST(HostRecord, UnterminatedQuoteRunsToTheEndOfTheFile) {
  const HostFields fields = read("1,2,3,4,5,6,7,8,\"nine, and more\r\n");
  ASSERT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[8], "nine, and more\r\n");
  EXPECT_EQ(read("\"never closed,2,3,4,5,6,7,8,9").count, 1U);
}

TEST(HostRecord, FewerThanNineFieldsOrNothingIsAFailure) {
  EXPECT_EQ(consume_error(""), "the file is empty, 9 fields needed");
  EXPECT_EQ(consume_error("a,b,c,d,e,f,g,h\r\n"), "8 fields, 9 needed");
  EXPECT_EQ(consume_error("lonely"), "1 field, 9 needed");
}

TEST(HostRecord, ReadingStopsAtTheNinthFieldOfAHugeFile) {
  std::string text = kRecord + std::string(10'000'000, 'x');
  Source source(text, 4096);
  const HostFields fields = read_host_fields(source);
  EXPECT_EQ(fields.count, 9U);
  EXPECT_LE(source.position(), 2U * 4096U);
}

TEST(HostRecord, AHugeFieldIsReadThroughWithoutBeingKeptWhole) {
  const std::string text = std::string(100'000, 'y') + ",2,3,4,5,6,7,8,9";
  const HostFields fields = read(text);
  EXPECT_EQ(fields.count, 9U);
  EXPECT_EQ(fields.values[0].size(), kKeptFieldBytes);
}

}  // namespace
}  // namespace qz
