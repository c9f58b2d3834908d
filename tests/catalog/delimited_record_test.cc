// The delimited form of records: values and their quoting, whole records
// written, lines read into named fields, and round trips of values that
// hold the delimiter, quotes, blanks and Slovenian letters, generated ones
// included; lines that older versions wrote read as they did.
#include "common/catalog/delimited_record.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "record_test_support.h"

namespace {

TEST(DelimitedRecord, Values) {
  EXPECT_EQ(delimitedValue("a;b", ';'), "\"a;b\"");
  EXPECT_EQ(delimitedValue("say \"x\";", ';'), "\"say \"\"x\"\";\"");
  EXPECT_EQ(delimitedValue("say \"x\"", ';'), "say \"x\"");
  EXPECT_EQ(delimitedValue("\"x", ';'), "\"\"\"x\"");
  EXPECT_EQ(delimitedValue("\"", ';'), "\"\"\"\"");
  EXPECT_EQ(delimitedValue("a\nb", ';'), "a b");
  EXPECT_EQ(delimitedValue("a\n;", ';'), "\"a ;\"");
}

TEST(DelimitedRecord, AutomaticValuesKeepAnEmptyReferenceColumn) {
  AutomaticValues v{{"L", "F", "C", "D", "T", ""}};
  EXPECT_EQ(delimitedAutomaticValues(v, AutomaticFields(), ';'), "L;F;C;D;T;;");
  EXPECT_EQ(delimitedAutomaticValues(v, omittedByVars("R"), ';'), "L;F;C;D;T;");
}

TEST(DelimitedRecord, NameList) {
  EXPECT_EQ(delimitedNames(";name;city", AutomaticFields()),
            "&label;&formid;&computer;&date;&time;&reflabel;name;city");
  EXPECT_EQ(delimitedNames(",x", omittedByVars("CDTR")), "&label,&formid,x");
  EXPECT_EQ(delimitedNames(",", AutomaticFields::all()), "");
}

TEST(DelimitedRecord, RecordsWritten) {
  struct Row {
    const char* data;
    const char* vars;
    const char* posted;
    const char* refLabel;
    const char* record;
  } rows[] = {
      {";name;city", "", "city=Kranj&name=Ana", "",
       "ORD-3;order;192.0.2.7;19990315;1405;;Ana;Kranj\n"},
      // Quoted only when a value holds the delimiter or begins with a quote.
      {";a;b;c;d", "LFCDTR", "a=x%3By&b=say+%22hi%22%3B&c=say+%22hi%22&d=two%0Alines", "",
       "\"x;y\";\"say \"\"hi\"\";\";say \"hi\";two lines\n"},
      {",a,,b", "CDTR", "b=2&a=1&extra=3", "", "ORD-3,order,1,,2\n"},
      {";a", "CDT", "a=1", "x\ny", "ORD-3;order;x y;1\n"},
      // Automatic values that hold the delimiter are quoted too.
      {"-name", "CDT", "name=Ana", "", "\"ORD-3\"-order--Ana\n"},
      {".name", "LFDT", "name=Ana", "", "\"192.0.2.7\"..Ana\n"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(delimitedRecordText(recordValues(row.refLabel), omittedByVars(row.vars), row.data,
                                  postedFields(row.posted)),
              row.record)
        << row.data;
}

// The fields of each line, "End" after the last.
std::string readAll(const std::string& catalog, std::string_view names, char delimiter) {
  TextLines lines(catalog);
  std::string out;
  for (;;) {
    Collect sink;
    Text text;
    if (readDelimitedRecord(lines, names, delimiter, sink, &text) == RecordRead::End)
      return out + "End";
    out += "[" + text.str() + "|" + sink.out + "]";
  }
}

TEST(DelimitedRecord, RecordsRead) {
  EXPECT_EQ(readAll("Q-1;order;192.0.2.7;19990315;1405;;\"A;B\";Kranj\nnext\n",
                    delimitedNames(";name;city", AutomaticFields()).view(), ';'),
            "[Q-1;order;192.0.2.7;19990315;1405;;\"A;B\";Kranj\n|&label=Q-1;&formid=order;"
            "&computer=192.0.2.7;&date=19990315;&time=1405;&reflabel=;name=A;B;city=Kranj;]"
            "[next\n|&label=next;]End");
  // Surplus values are not read; a blank line is a record without fields.
  EXPECT_EQ(
      readAll("L|F|R|1|surplus\n\r\n", delimitedNames("|x", omittedByVars("CDT")).view(), '|'),
      "[L|F|R|1|surplus\n|&label=L;&formid=F;&reflabel=R;x=1;][\n|]End");
}

TEST(DelimitedRecord, SplitStopsWhenNamesOrValuesRunOut) {
  struct Row {
    const char* line;
    const char* names;
    const char* fields;
  } rows[] = {
      {"1;2;3", "a;b", "a=1;b=2;"},
      {"1", "a;b;c", "a=1;"},
      {"", "", "=;"},
      {";x;", "a;;b;c", "a=;=x;b=;"},
  };
  for (const Row& row : rows) {
    Collect c;
    splitDelimited(row.line, row.names, ';', c);
    EXPECT_EQ(c.out, row.fields) << row.line;
  }
}

// One value of a line is the one splitDelimitedLine gives at its place.
TEST(DelimitedRecord, ColumnIsTheSplitValueAtItsPlace) {
  for (const char* line : {"a;\"b;c\";\"\"\"d\";", "", ";;", "\"a;b\"x;c", "x"}) {
    List<Text> split = splitDelimitedLine(line, ';');
    for (size_t column = 0; column < split.size() + 2; ++column) {
      Text value = "unchanged";
      bool found = delimitedColumn(line, ';', column, value);
      EXPECT_EQ(found, column < split.size()) << line << " " << column;
      if (found) {
        EXPECT_EQ(value, split[column]) << line << " " << column;
      }
    }
  }
}

// Lines that older versions wrote (values beginning with a quote stood
// unquoted) read as they did before.
TEST(DelimitedRecord, LinesOfOlderVersionsReadAsBefore) {
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

// A written record reads back to its fields: a value that held the
// delimiter or began with a quote comes back whole, and the fields after it
// are not shifted.
TEST(DelimitedRecord, WrittenRecordsReadBack) {
  struct Row {
    const char* data;
    const char* vars;
    const char* posted;
    const char* fields;
  } rows[] = {
      {"-name-city", "CDT", "name=Ana&city=Koper",
       "&label=ORD-3;&formid=order;&reflabel=;name=Ana;city=Koper;"},
      {".name.city", "LFDT", "name=Ana&city=Koper",
       "&computer=192.0.2.7;&reflabel=;name=Ana;city=Koper;"},
      {";name;email;city", "LFCDTR", "name=%22Mallory&email=x%22&city=Koper",
       "name=\"Mallory;email=x\";city=Koper;"},
      {";a;b", "LFCDTR", "a=x%3By%0Az&b=%22%3B%22", "a=x;y z;b=\";\";"},
  };
  for (const Row& row : rows) {
    AutomaticFields omitted = omittedByVars(row.vars);
    Text line = delimitedRecordText(recordValues(), omitted, row.data, postedFields(row.posted));
    EXPECT_EQ(readAll(line.str(), delimitedNames(row.data, omitted).view(), row.data[0]),
              "[" + line.str() + "|" + row.fields + "]End")
        << row.data;
  }
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
TEST(DelimitedRecord, GeneratedValuesComeBackAsWritten) {
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

// The same for whole records, a label holding the delimiter included.
TEST(DelimitedRecord, GeneratedRecordsReadBackToTheirFields) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    ParamList posted;
    std::vector<std::string> values(3);
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = generatedValue(random, ';');
      posted.setVerbatim("f" + std::to_string(i), values[i]);
    }
    AutomaticValues automatic =
        automaticValues("Q;1", "order", "192.0.2.7", DateTime{15, 3, 1999, 14, 5}, "");
    Text line = delimitedRecordText(automatic, AutomaticFields(), ";f0;f1;f2", posted);
    ParamList fields;
    ParamList expected;
    expected.setVerbatim("&label", "Q;1");
    for (size_t i = 0; i < values.size(); ++i)
      expected.setVerbatim("f" + std::to_string(i), singleLine(values[i]));
    class Fields : public FieldSink {
     public:
      explicit Fields(ParamList& list) : list_(list) {}
      void field(std::string_view name, std::string_view value) override {
        list_.setVerbatim(name, value);
      }
      ParamList& list_;
    } sink(fields);
    TextLines lines(line.view());
    readDelimitedRecord(lines, delimitedNames(";f0;f1;f2", AutomaticFields()).view(), ';', sink,
                        nullptr);
    for (const Param& field : expected)
      ASSERT_EQ(fields.value(field.name), field.value) << line.str();
  }
}

}  // namespace
