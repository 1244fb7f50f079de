// quex's CSV reader and writer: quoting, null and empty fields, line
// breaks, malformed records and their line numbers.
#include "csv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using quex::csv::Field;
using quex::csv::Reader;

// Reads every record; a malformed one shows as "!<line>:<why>".
std::vector<std::vector<std::string>> readAll(const std::string& text) {
  std::istringstream in(text);
  Reader reader(in);
  std::vector<Field> fields;
  std::vector<std::vector<std::string>> records;
  for (;;) {
    Reader::Result result = reader.next(fields);
    if (result == Reader::Result::End) break;
    if (result == Reader::Result::Malformed) {
      records.push_back({"!" + std::to_string(reader.recordLine()) + ":" + reader.error()});
      continue;
    }
    std::vector<std::string> record;
    for (const Field& field : fields) record.push_back(field.null ? "<null>" : field.text);
    records.push_back(record);
  }
  return records;
}

using Records = std::vector<std::vector<std::string>>;

TEST(CsvReader, ReadsFieldsAndSkipsMalformedRecordsToTheNextLine) {
  const struct { const char* text; Records records; } rows[] = {
      {"a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}},
      {"a,b\n1,2", {{"a", "b"}, {"1", "2"}}},
      {"", {}},
      // CRLF ends a record, a lone CR is text.
      {"a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}},
      {"a\rb,c\n", {{"a\rb", "c"}}},
      // Quoted fields hold commas, quotes and line breaks.
      {"\"x,y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\nnext\n",
       {{"x,y", "say \"hi\"", "two\r\nlines"}, {"next"}}},
      {"\"a\"\r\n\"b\"", {{"a"}, {"b"}}},
      // Unquoted empty is null, quoted empty is text; blanks belong to fields.
      {",\"\",\n", {{"<null>", "", "<null>"}}},
      {"\n", {{"<null>"}}},
      {" a , b \n", {{" a ", " b "}}},
      {"a,b,c\nd\ne,f\n", {{"a", "b", "c"}, {"d"}, {"e", "f"}}},
      {"a,b\"c,d\nok\n", {{"!1:a quote inside an unquoted field"}, {"ok"}}},
      {"x\n\"ab\"c,d\nok\n", {{"x"}, {"!2:text follows the closing quote of a field"}, {"ok"}}},
      {"x\n\"open,\nstill open", {{"x"}, {"!2:a quoted field is not closed"}}}};
  for (const auto& row : rows)
    EXPECT_EQ(readAll(row.text), row.records) << ::testing::PrintToString(row.text);
}

TEST(CsvReader, RecordLineCountsLineBreaksInsideQuotedFields) {
  std::istringstream in("h\n\"a\nb\nc\"\nz\n");
  Reader reader(in);
  std::vector<Field> fields;
  ASSERT_EQ(reader.next(fields), Reader::Result::Record);
  ASSERT_EQ(reader.next(fields), Reader::Result::Record);
  EXPECT_EQ(reader.recordLine(), 2u);
  ASSERT_EQ(reader.next(fields), Reader::Result::Record);
  EXPECT_EQ(reader.recordLine(), 5u);
  EXPECT_EQ(fields[0].text, "z");
}

TEST(CsvWriter, QuotesOnlyWhatNeedsIt) {
  std::ostringstream out;
  quex::csv::Writer writer(out);
  writer.field("plain");
  writer.field("a,b");
  writer.field("say \"hi\"");
  writer.field("two\nlines");
  writer.field(" padded");
  writer.field("");
  writer.nullField();
  writer.endRecord();
  writer.nullField();
  writer.endRecord();
  EXPECT_EQ(out.str(),
            "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\" padded\",\"\",\n\n");
}

TEST(CsvWriter, WhatItWritesReadsBackTheSame) {
  const std::vector<std::string> texts = {"", "x", ",", "\"", "\"\"", "a\r\nb", " ", "é,ü"};
  std::ostringstream out;
  quex::csv::Writer writer(out);
  for (const std::string& text : texts) writer.field(text);
  writer.nullField();
  writer.endRecord();
  Records records = readAll(out.str());
  ASSERT_EQ(records.size(), 1u);
  std::vector<std::string> expected = texts;
  expected.push_back("<null>");
  EXPECT_EQ(records[0], expected);
}

} // namespace
