// quex's record values: the byte encodings of numbers, the number texts,
// storage words and widening, and the CSV table that infers storages and
// encodes the values of the records it reads.
#include "csv_table.h"
#include "record_values.h"
#include "common/scratch_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

using namespace quex::values;

TEST(RecordValues, IntegersAreEightByteLittleEndianTwosComplement) {
  unsigned char bytes[kNumberSize];
  encodeInteger(-2, bytes);
  const unsigned char minusTwo[] = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::memcmp(bytes, minusTwo, kNumberSize), 0);
  encodeInteger(0x0102030405060708, bytes);
  EXPECT_EQ(bytes[0], 0x08);
  EXPECT_EQ(bytes[7], 0x01);
  EXPECT_EQ(decodeInteger(bytes), 0x0102030405060708);
}

TEST(RecordValues, RealsAreIeeeDoublesInLittleEndianOrder) {
  unsigned char bytes[kNumberSize];
  encodeReal(1.0, bytes); // 0x3FF0000000000000
  const unsigned char one[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(std::memcmp(bytes, one, kNumberSize), 0);
  encodeReal(-0.1, bytes);
  EXPECT_EQ(decodeReal(bytes), -0.1);
}

// Integers take whole texts within 64 bits; reals decimal and exponent forms only.
TEST(RecordValues, NumberParsingTakesWholeTextsOnly) {
  using I = std::optional<int64_t>;
  using R = std::optional<double>;
  const struct { const char* text; I integer; R real; } rows[] = {
      {"42", 42, 42.0}, {"+7", 7, 7.0}, {"-9223372036854775808", INT64_MIN, -0x1p63},
      {"9223372036854775808", {}, 0x1p63}, {"2.5", {}, 2.5}, {"-.5", {}, -0.5},
      {"+1e3", {}, 1000.0}, {"", {}, {}}, {"+", {}, {}}, {"-", {}, {}},
      {" 1", {}, {}}, {"1.5 ", {}, {}}, {"12a", {}, {}}, {"inf", {}, {}}, {"nan", {}, {}},
      {"1e999", {}, {}}, {"0x10", {}, {}}};
  for (const auto& row : rows) {
    EXPECT_EQ(parseInteger(row.text), row.integer) << row.text;
    EXPECT_EQ(parseReal(row.text), row.real) << row.text;
  }
  EXPECT_FALSE(parseInteger("+-1"));
}

TEST(RecordValues, DisplayTextRoundTripsAndRejectsWrongNumberSizes) {
  unsigned char bytes[kNumberSize];
  encodeReal(0.1 + 0.2, bytes);
  std::string text;
  ASSERT_TRUE(appendText(Storage::Real, bytes, kNumberSize, text));
  EXPECT_EQ(parseReal(text), 0.1 + 0.2);
  text.clear();
  encodeInteger(-17, bytes);
  ASSERT_TRUE(appendText(Storage::Integer, bytes, kNumberSize, text));
  EXPECT_EQ(text, "-17");
  EXPECT_FALSE(appendText(Storage::Integer, bytes, 4, text));
  text.clear();
  ASSERT_TRUE(appendText(Storage::Date, "2026-12-06", 10, text));
  EXPECT_EQ(text, "2026-12-06");
}

TEST(RecordValues, StorageWordsMatchTheDataModelVocabulary) {
  for (Storage s : {Storage::Integer, Storage::Real, Storage::String, Storage::Date,
                    Storage::Time, Storage::Timestamp})
    EXPECT_EQ(storageFromWord(storageWord(s)), s);
  EXPECT_FALSE(storageFromWord("Integer"));
}

TEST(RecordValues, WideningGoesFromIntegerToRealToString) {
  EXPECT_EQ(widen(Storage::Integer, "3"), Storage::Integer);
  EXPECT_EQ(widen(Storage::Integer, "3.5"), Storage::Real);
  EXPECT_EQ(widen(Storage::Real, "4"), Storage::Real);
  EXPECT_EQ(widen(Storage::Real, "x"), Storage::String);
  EXPECT_EQ(widen(Storage::String, "4"), Storage::String);
}

class CsvTableTest : public ::testing::Test {
protected:
  std::string write(const std::string& contents) {
    path_ = ::testing::TempDir() + "csv_table_test_" + processTag() + ".csv";
    std::ofstream(path_, std::ios::binary) << contents;
    return path_;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(CsvTableTest, InfersNarrowestStoragePerColumnAndEncodesValues) {
  std::string error;
  auto table = quex::csv::Table::open(write("\xEF\xBB\xBFi,r,s,n\n1,2,x,\n-3,4.5,,\n"), error);
  ASSERT_TRUE(table) << error;
  ASSERT_TRUE(table->inferStorages(error)) << error;
  ASSERT_EQ(table->columns().size(), 4u);
  EXPECT_EQ(table->columns()[0].name, "i");
  EXPECT_EQ(table->columns()[0].storage, Storage::Integer);
  EXPECT_EQ(table->columns()[1].storage, Storage::Real);
  EXPECT_EQ(table->columns()[2].storage, Storage::String);
  EXPECT_EQ(table->columns()[3].storage, Storage::String); // nulls only
  ASSERT_EQ(table->next(), quex::csv::Table::Result::Record);
  ASSERT_EQ(table->length(0), kNumberSize);
  EXPECT_EQ(decodeInteger(table->value(0)), 1);
  EXPECT_EQ(decodeReal(table->value(1)), 2.0);
  EXPECT_EQ(std::string(static_cast<const char*>(table->value(2)), table->length(2)), "x");
  EXPECT_EQ(table->value(3), nullptr);
  ASSERT_EQ(table->next(), quex::csv::Table::Result::Record);
  EXPECT_EQ(decodeInteger(table->value(0)), -3);
  EXPECT_EQ(table->value(2), nullptr);
  EXPECT_EQ(table->next(), quex::csv::Table::Result::End);
}

TEST_F(CsvTableTest, WrongFieldCountAndUnfitValuesAreMalformedAndSkipped) {
  std::string error;
  auto table = quex::csv::Table::open(write("a,b\n1,2\n3\n\nx,4\n5,6\n"), error);
  ASSERT_TRUE(table) << error;
  table->columns()[0].storage = Storage::Integer;
  using R = quex::csv::Table::Result;
  EXPECT_EQ(table->next(), R::Record);
  EXPECT_EQ(table->next(), R::Malformed);
  EXPECT_EQ(table->error(), "1 fields where the header has 2");
  EXPECT_EQ(table->recordLine(), 3u);
  EXPECT_EQ(table->next(), R::Malformed); // the blank line was skipped
  EXPECT_EQ(table->recordLine(), 5u);
  EXPECT_EQ(table->error(), "value 'x' of field a is not an integer");
  EXPECT_EQ(table->next(), R::Record);
  EXPECT_EQ(decodeInteger(table->value(0)), 5);
  EXPECT_EQ(table->next(), R::End);
}

TEST_F(CsvTableTest, InferenceNamesTheFirstMalformedLine) {
  std::string error;
  auto table = quex::csv::Table::open(write("a\n1\n\"x\"y\n"), error);
  ASSERT_TRUE(table);
  EXPECT_FALSE(table->inferStorages(error));
  EXPECT_NE(error.find("line 3: text follows the closing quote"), std::string::npos) << error;
}

TEST_F(CsvTableTest, MissingEmptyOrNamelessFilesAreRefusedWithAReason) {
  std::string error;
  EXPECT_FALSE(quex::csv::Table::open("/nonexistent/x.csv", error));
  EXPECT_EQ(error, "cannot open /nonexistent/x.csv for reading");
  EXPECT_FALSE(quex::csv::Table::open(write(""), error));
  EXPECT_NE(error.find("the file is empty"), std::string::npos);
  EXPECT_FALSE(quex::csv::Table::open(write("a,,c\n"), error));
  EXPECT_NE(error.find("empty column name"), std::string::npos);
}

TEST_F(CsvTableTest, BatchKeepsValuesOfSeveralRecordsAndRewindStartsOver) {
  std::string error;
  auto table = quex::csv::Table::open(write("n,s\n1,a\n2,\n"), error);
  ASSERT_TRUE(table && table->inferStorages(error));
  quex::csv::RecordBatch batch;
  while (table->next() == quex::csv::Table::Result::Record) batch.add(*table);
  ASSERT_EQ(batch.valueCount(), 4u);
  void* values[4];
  size_t lengths[4];
  batch.exportTo(values, lengths);
  EXPECT_EQ(decodeInteger(values[0]), 1);
  EXPECT_EQ(std::string(static_cast<char*>(values[1]), lengths[1]), "a");
  EXPECT_EQ(decodeInteger(values[2]), 2);
  EXPECT_EQ(values[3], nullptr);
  table->rewind();
  ASSERT_EQ(table->next(), quex::csv::Table::Result::Record);
  EXPECT_EQ(decodeInteger(table->value(0)), 1);
  EXPECT_EQ(table->columns()[0].storage, Storage::Integer);
}

} // namespace
