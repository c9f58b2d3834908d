// The line formats of the two record layouts, without a group.
#include "common/catalog/record_format.h"

#include <gtest/gtest.h>

#include "group_fixture.h"

namespace {

// Collects the fields read as "name=value;" pairs.
class Collect : public FieldSink {
 public:
  void field(std::string_view name, std::string_view value) override {
    out.append(name).append("=").append(value).append(";");
  }
  std::string out;
};

TEST(ItemFormat, FieldLines) {
  EXPECT_EQ(itemFieldLine("name", "Ana"), "name==Ana\n");
  EXPECT_EQ(itemFieldLine("name", ""), "name==\n");
  EXPECT_EQ(itemFieldLine("a\nb\r", "x"), "a b ==x\n");
  EXPECT_EQ(itemFieldLine("n", "a\n"), "n=+LABEL\na\n\nLABEL\n");
}

TEST(ItemFormat, TerminatorWord) {
  EXPECT_EQ(terminatorFor("plain"), "LABEL");
  EXPECT_EQ(terminatorFor("a LABEL b"), "LABELx");
  EXPECT_EQ(terminatorFor("LABEL LABELx"), "LABELxx");
  EXPECT_EQ(terminatorFor("label"), "LABEL");
}

TEST(ItemFormat, AutomaticLinesFollowTheOmittedBits) {
  AutomaticValues v{{"L", "F", "C", "D", "T", ""}};
  EXPECT_EQ(itemAutomaticLines(v, 0), "&LABEL==L\n&FORMID==F\n&COMPUTER==C\n&DATE==D\n&TIME==T\n");
  AutomaticValues withRef{{"L", "F", "C", "D", "T", "R"}};
  EXPECT_EQ(itemAutomaticLines(withRef, 1 | 4 | 16), "&FORMID==F\n&DATE==D\n&REFLABEL==R\n");
  EXPECT_EQ(itemAutomaticLines(withRef, 63), "");
}

TEST(DelimitedFormat, AutomaticValuesKeepAnEmptyReferenceColumn) {
  AutomaticValues v{{"L", "F", "C", "D", "T", ""}};
  EXPECT_EQ(delimitedAutomaticValues(v, 0, ';'), "L;F;C;D;T;;");
  EXPECT_EQ(delimitedAutomaticValues(v, 32, ';'), "L;F;C;D;T;");
}

TEST(DelimitedFormat, Values) {
  EXPECT_EQ(delimitedValue("a;b", ';'), "\"a;b\"");
  EXPECT_EQ(delimitedValue("say \"x\";", ';'), "\"say \"\"x\"\";\"");
  EXPECT_EQ(delimitedValue("say \"x\"", ';'), "say \"x\"");
  EXPECT_EQ(delimitedValue("\"x", ';'), "\"\"\"x\"");
  EXPECT_EQ(delimitedValue("\"", ';'), "\"\"\"\"");
  EXPECT_EQ(delimitedValue("a\nb", ';'), "a b");
  EXPECT_EQ(delimitedValue("a\n;", ';'), "\"a ;\"");
}

TEST(DelimitedFormat, NameList) {
  EXPECT_EQ(delimitedNames(";name;city", 0),
            "&label;&formid;&computer;&date;&time;&reflabel;name;city");
  EXPECT_EQ(delimitedNames(",x", 4 | 8 | 16 | 32), "&label,&formid,x");
  EXPECT_EQ(delimitedNames(",", 63), "");
}

TEST(DelimitedFormat, SplitStopsWhenNamesOrValuesRunOut) {
  Collect c;
  splitDelimited("1;2;3", "a;b", ';', c);
  EXPECT_EQ(c.out, "a=1;b=2;");
  c.out.clear();
  splitDelimited("1", "a;b;c", ';', c);
  EXPECT_EQ(c.out, "a=1;");
  c.out.clear();
  splitDelimited("", "", ';', c);
  EXPECT_EQ(c.out, "=;");
  c.out.clear();
  splitDelimited(";x;", "a;;b;c", ';', c);
  EXPECT_EQ(c.out, "a=;=x;b=;");
}

// The writer quotes exactly the values that hold the delimiter or begin
// with a quote and doubles their quotes; the reader undoes that and leaves
// every other value alone.
TEST(DelimitedFormat, QuotedValuesComeBackAsWritten) {
  const char* values[] = {"x;y", "say \"hi\";", "say \"hi\"", "\"a\"", "Ko&ccaron;evje", "", ";"};
  for (const char* value : values) {
    Text line = delimitedValue(value, ';') + ";" + delimitedValue("next", ';');
    List<Text> split = splitDelimitedLine(line, ';');
    ASSERT_EQ(split.size(), 2u) << line.str();
    EXPECT_EQ(split[0], value) << line.str();
    EXPECT_EQ(split[1], "next");
  }
  // A quote that does not close right before a delimiter is no quoting.
  List<Text> split = splitDelimitedLine("\"a;b\"x;c", ';');
  ASSERT_EQ(split.size(), 3u);
  EXPECT_EQ(split[0], "\"a");
}

// One value of a line is the one splitDelimitedLine gives at its place.
TEST(DelimitedFormat, ColumnIsTheSplitValueAtItsPlace) {
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

TEST(ItemReader, SinkThatSkipsValuesStillReadsPastThem) {
  class OnlyB : public Collect {
   public:
    bool wants(std::string_view name) override { return name == "b"; }
  } sink;
  ScratchFile file("a=+E\nlong\nvalue\nE\nb=+E\nkept\nE\nc==1\n\nnext==1\n\n");
  FileLines lines(file.get());
  EXPECT_EQ(readItemRecord(lines, sink, nullptr), RecordRead::Record);
  EXPECT_EQ(sink.out, "b=kept;c=1;");
  Text text;
  Collect next;
  EXPECT_EQ(readItemRecord(lines, next, &text), RecordRead::Record);
  EXPECT_EQ(text, "next==1\n\n");
  EXPECT_EQ(readItemRecord(lines, next, &text), RecordRead::End);
  EXPECT_EQ(text, "");
}

TEST(ItemReader, MalformedLinesAreReported) {
  for (const char* bad : {"x\n", "a==1\nb\n", "a=-1\n", "a=\n"}) {
    ScratchFile file(bad);
    FileLines lines(file.get());
    Collect c;
    EXPECT_EQ(readItemRecord(lines, c, nullptr), RecordRead::Malformed) << bad;
  }
}

}  // namespace
