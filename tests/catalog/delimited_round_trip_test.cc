// Delimited records written and read back: automatic values that hold the
// delimiter (the label prefix with a "-" delimiter, the address with a "."
// delimiter), values that begin with a quote, generated values of
// delimiters, quotes, blanks and Slovenian letters, and lines that older
// versions wrote.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "catalog/group_fixture.h"
#include "common/catalog/record_format.h"

namespace {

class DelimitedRoundTrip : public GroupFixture {
 protected:
  // Writes one record with `label` and reads it back.
  ParamList writeAndRead(const Text& label) {
    std::FILE* file = std::tmpfile();
    group->writeRecord(file, label, "order", "");
    std::rewind(file);
    ParamList fields;
    written_ = group->readRecord(file, fields);
    std::fclose(file);
    return fields;
  }
  Text written_;
};

TEST_F(DelimitedRoundTrip, LabelHoldingTheDelimiterIsQuotedAndComesBackWhole) {
  loadPost("data=-name-city\nvars=CDT\n", "name=Ana&city=Koper");
  ParamList fields = writeAndRead("ORD-42");
  EXPECT_EQ(written_, "\"ORD-42\"-order--Ana-Koper\n");
  EXPECT_EQ(fields.value("&label"), "ORD-42");
  EXPECT_EQ(fields.value("name"), "Ana");
  EXPECT_EQ(fields.value("city"), "Koper");
}

TEST_F(DelimitedRoundTrip, AddressHoldingTheDelimiterDoesNotShiftTheFields) {
  loadPost("data=.name.city\nvars=LFDT\n", "name=Ana&city=Koper");
  ParamList fields = writeAndRead("1");
  EXPECT_EQ(written_, "\"192.0.2.7\"..Ana.Koper\n");
  EXPECT_EQ(fields.value("&computer"), "192.0.2.7");
  EXPECT_EQ(fields.value("name"), "Ana");
  EXPECT_EQ(fields.value("city"), "Koper");
}

TEST_F(DelimitedRoundTrip, ValuesBeginningWithAQuoteKeepTheirFields) {
  // Written as they stood, "Mallory and x" would read back as one quoted
  // value holding the delimiter, and every field after it would shift.
  loadPost("data=;name;email;city\nvars=LFCDTR\n", "name=%22Mallory&email=x%22&city=Koper");
  ParamList fields = writeAndRead("1");
  EXPECT_EQ(written_, "\"\"\"Mallory\";x\";Koper\n");
  EXPECT_EQ(fields.value("name"), "\"Mallory");
  EXPECT_EQ(fields.value("email"), "x\"");
  EXPECT_EQ(fields.value("city"), "Koper");
}

// Values made of the pieces that matter to the format, for each delimiter.
std::string generatedValue(std::mt19937& random, char delimiter) {
  const std::string pieces[] = {std::string(1, delimiter),
                                "\"",
                                "\"\"",
                                " ",
                                "  ",
                                "\n",
                                "&ccaron;",
                                "&Scaron;",
                                "&zcaron;",
                                "a",
                                "Ko",
                                ";",
                                ","};
  std::string value;
  int length = static_cast<int>(random() % 7);
  for (int i = 0; i < length; ++i) value += pieces[random() % std::size(pieces)];
  return value;
}

// Every line of generated values splits into exactly the values written,
// line feeds read as the spaces they were written as.
TEST(DelimitedValues, GeneratedValuesComeBackAsWritten) {
  std::mt19937 random(20240612);
  for (char delimiter : {';', ',', '|', ' ', '&', '-', '\t'}) {
    for (int round = 0; round < 2000; ++round) {
      std::vector<std::string> values(1 + random() % 5);
      Text line;
      for (size_t i = 0; i < values.size(); ++i) {
        values[i] = generatedValue(random, delimiter);
        if (i > 0) line += delimiter;
        line += delimitedValue(values[i], delimiter);
      }
      List<Text> split = splitDelimitedLine(line, delimiter);
      ASSERT_EQ(split.size(), values.size()) << line.str();
      for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(split[i], singleLine(values[i])) << line.str();
    }
  }
}

// The same through the group's record writer and reader: posted fields come
// back under their names, normalised once more as every value read is.
TEST_F(DelimitedRoundTrip, GeneratedRecordsReadBackToTheirFields) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string body;
    std::vector<std::string> values(3);
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = generatedValue(random, ';');
      body += "f" + std::to_string(i) + "=" + percentEncode(values[i]).str() + "&";
    }
    loadPost("data=;f0;f1;f2\nlabel=Q;\n", body);
    ParamList fields = writeAndRead("Q;1");
    ASSERT_EQ(fields.value("&label"), "Q;1") << written_.str();
    ASSERT_EQ(fields.value("&computer"), "192.0.2.7") << written_.str();
    for (size_t i = 0; i < values.size(); ++i) {
      ParamList expected;
      expected.add("v", singleLine(group->postParams().value("f" + std::to_string(i))),
                   AddMode::Append);
      ASSERT_EQ(fields.value("f" + std::to_string(i)), expected.value("v")) << written_.str();
    }
  }
}

// Lines that older versions wrote (values beginning with a quote stood
// unquoted) read as they did before.
TEST(DelimitedValues, LinesOfOlderVersionsReadAsBefore) {
  struct Row {
    const char* line;
    std::vector<std::string> values;
  } rows[] = {
      {"\"Mallory;x", {"\"Mallory", "x"}},
      {"\"Mallory\";x", {"\"Mallory\"", "x"}},
      {"\"\";x", {"\"\"", "x"}},
      {"\"a\"\"b\";x", {"\"a\"\"b\"", "x"}},
      {"\"a;b\";x", {"a;b", "x"}},
      {"\"say \"\"hi\"\";\";x", {"say \"hi\";", "x"}},
      {"\"a;b\"x;c", {"\"a", "b\"x", "c"}},
      // Misread then and now: two values that together looked quoted.
      {"\"Mallory;x\"", {"Mallory;x"}},
  };
  for (const Row& row : rows) {
    List<Text> split = splitDelimitedLine(row.line, ';');
    ASSERT_EQ(split.size(), row.values.size()) << row.line;
    for (size_t i = 0; i < row.values.size(); ++i) EXPECT_EQ(split[i], row.values[i]) << row.line;
  }
}

}  // namespace
