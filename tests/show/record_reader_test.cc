// Reading records for the viewer: the quote-aware split of delimited lines
// against the writer, and the reader's walk through the index or the file.
#include "show/record_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/catalog/delimited_record.h"
#include "common/catalog/record_layout.h"
#include "common/cgi/request_ended.h"
#include "show/show_application.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

List<Text> split(std::string_view line) { return splitDelimitedLine(line, ';'); }

TEST(SplitDelimitedLine, PlainValues) {
  EXPECT_EQ(split(""), (List<Text>{""}));
  EXPECT_EQ(split("a"), (List<Text>{"a"}));
  EXPECT_EQ(split("a;b"), (List<Text>{"a", "b"}));
  EXPECT_EQ(split("a;"), (List<Text>{"a", ""}));
  EXPECT_EQ(split(";"), (List<Text>{"", ""}));
  EXPECT_EQ(split(";;x"), (List<Text>{"", "", "x"}));
}

TEST(SplitDelimitedLine, QuotedValuesHoldingTheDelimiter) {
  EXPECT_EQ(split("\"a;b\";c"), (List<Text>{"a;b", "c"}));
  EXPECT_EQ(split("x;\"&ccaron;\""), (List<Text>{"x", "&ccaron;"}));
  EXPECT_EQ(split("\"say \"\"hi\"\"; bye\""), (List<Text>{"say \"hi\"; bye"}));
  EXPECT_EQ(split("\";\";\";\""), (List<Text>{";", ";"}));
}

TEST(SplitDelimitedLine, QuotesThatTheWriterDidNotAddStay) {
  EXPECT_EQ(split("\"plain\";x"), (List<Text>{"\"plain\"", "x"}));  // no delimiter inside
  EXPECT_EQ(split("say \"hi\";x"), (List<Text>{"say \"hi\"", "x"}));
  EXPECT_EQ(split("\"unclosed;x"), (List<Text>{"\"unclosed", "x"}));
  EXPECT_EQ(split("\"a;b\"x;c"), (List<Text>{"\"a", "b\"x", "c"}));
  EXPECT_EQ(split("\""), (List<Text>{"\""}));
  EXPECT_EQ(split("\"\""), (List<Text>{"\"\""}));
}

// Every line the writer makes splits back into the values it was given
// (line feeds become spaces in the writer). Values that begin with a quote
// and hold no delimiter are left out: such a value followed by one ending in
// a quote reads the same as a quoted value.
TEST(SplitDelimitedLine, ReadsBackWhatTheWriterWrote) {
  std::mt19937 random(7);
  const std::string alphabet = "ab;\"\n &";
  for (int round = 0; round < 3000; ++round) {
    List<Text> values;
    Text line;
    int count = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < count; ++i) {
      Text value;
      for (int n = static_cast<int>(random() % 6); n > 0; --n)
        value += alphabet[random() % alphabet.size()];
      if (value.startsWith("\"") && !value.contains(';')) value.insertAt(0, "x");
      if (i > 0) line += ';';
      line += delimitedValue(value, ';');
      value.replaceChar('\n', ' ');
      values.push_back(value);
    }
    EXPECT_EQ(split(line), values) << line.str();
  }
}

TEST(FieldValue, FirstFieldOfTheNameIgnoringCase) {
  Record record{{"&LABEL", "A-1"}, {"name", "x"}, {"Name", "y"}};
  EXPECT_EQ(fieldValue(record, "&label"), "A-1");
  EXPECT_EQ(fieldValue(record, "NAME"), "x");
  EXPECT_EQ(fieldValue(record, "city"), "");
}

TEST(AutomaticFieldIndex, BothSpellings) {
  EXPECT_EQ(automaticFieldIndex("&LABEL"), 0);
  EXPECT_EQ(automaticFieldIndex("&formid"), 1);
  EXPECT_EQ(automaticFieldIndex("&RefLabel"), 5);
  EXPECT_EQ(automaticFieldIndex("label"), -1);
  EXPECT_EQ(automaticFieldIndex("&LABELS"), -1);
}

class RecordReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + cgi.home().file("shop.grp") + "\n");
    cgi.get("", "shop");
  }
  void group(const std::string& lines) { cgi.home().write("shop.grp", lines); }

  // The labels and offsets that a walk over the catalog orders visits.
  std::string walk(ShowApplication& app) {
    CatalogFileList files;
    app.catalogFiles().addCatalogFiles(files, "orders");
    RecordReader reader(app);
    std::string seen;
    reader.walk(files, [&](const RecordPlace& place, const Record* record) {
      seen += place.label.str() + "@" + std::to_string(place.offset) + (record ? "+ " : " ");
      return true;
    });
    return seen;
  }

  CgiEnvironment cgi;
};

TEST_F(RecordReaderTest, WalksTheFileWithoutIndexSkippingBlankRecords) {
  group("catalog=orders\nindex=none\n");
  cgi.home().write("orders.dat", "&LABEL==A\n\n\n&LABEL==B\nx=+W\n\nW\n\n");
  ShowApplication app;
  EXPECT_EQ(walk(app), "A@0+ B@12+ ");
}

TEST_F(RecordReaderTest, WalksThePrivateIndexInItsOrder) {
  group("catalog=orders\n");
  cgi.home().write("orders.dat", "&LABEL==A\n\n&LABEL==B\n\n");
  cgi.home().write("orders.idx", "B f 11\n\nA f 0 ref label\n");
  ShowApplication app;
  EXPECT_EQ(walk(app), "B@11 A@0 ");
}

TEST_F(RecordReaderTest, CatalogFileEndingInIdxIsNotItsOwnIndex) {
  group("catalog=orders - orders.idx\n");
  cgi.home().write("orders.idx", "&LABEL==A\n\n");
  ShowApplication app;
  EXPECT_EQ(walk(app), "A@0+ ");
}

TEST_F(RecordReaderTest, ReadsOneRecordAtItsOffset) {
  group("catalog=orders\n");
  cgi.home().write("orders.dat", "&LABEL==A\n\n&LABEL==B\nnote=+LABEL\none\ntwo\nLABEL\n\n");
  ShowApplication app;
  CatalogFileList files;
  app.catalogFiles().addCatalogFiles(files, "orders");
  RecordReader reader(app);
  Record record;
  ASSERT_TRUE(reader.read(RecordPlace{&files[0], 11, ""}, record));
  EXPECT_EQ(record.size(), 2u);
  EXPECT_EQ(fieldValue(record, "note"), "one\ntwo");
  EXPECT_FALSE(reader.read(RecordPlace{&files[0], 10, ""}, record));  // the blank line
  EXPECT_FALSE(reader.read(RecordPlace{&files[0], 9999, ""}, record));
  EXPECT_FALSE(reader.read(RecordPlace{&files[0], -5, ""}, record));
  EXPECT_TRUE(reader.read(RecordPlace{&files[0], 0, ""}, record));
  EXPECT_EQ(fieldValue(record, "&label"), "A");
}

TEST_F(RecordReaderTest, DelimitedRecordsKeepQuotedDelimiters) {
  group("catalog=orders\nindex=none\ndata=;name;city\nvars=CDT\n");
  cgi.home().write("orders.dat", "L-1;f;;\"Ko&ccaron;evje\";Bled;extra\n\nL-2;f\n");
  ShowApplication app;
  CatalogFileList files;
  app.catalogFiles().addCatalogFiles(files, "orders");
  RecordReader reader(app);
  List<Record> records;
  reader.walk(files, [&](const RecordPlace&, const Record* record) {
    records.push_back(*record);
    return true;
  });
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].size(), 5u);  // surplus values are dropped
  EXPECT_EQ(fieldValue(records[0], "name"), "Ko&ccaron;evje");
  EXPECT_EQ(fieldValue(records[0], "city"), "Bled");
  EXPECT_EQ(records[1].size(), 2u);  // missing values are absent
}

TEST_F(RecordReaderTest, MalformedRecordEndsTheRequest) {
  group("catalog=orders\nindex=none\n");
  cgi.home().write("orders.dat", "&LABEL==A\nbroken\n\n");
  ShowApplication app;
  EXPECT_THROW(walk(app), RequestEnded);
  EXPECT_NE(cgi.output().find("Error in data"), std::string::npos);
}

}  // namespace
