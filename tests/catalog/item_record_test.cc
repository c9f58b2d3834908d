// The item form of records: field lines, whole records written, records
// read from catalogs of every shape, and written records read back.
#include "common/catalog/item_record.h"

#include <gtest/gtest.h>

#include "record_test_support.h"

namespace {

TEST(ItemRecord, FieldLines) {
  EXPECT_EQ(itemFieldLine("name", "Ana"), "name==Ana\n");
  EXPECT_EQ(itemFieldLine("name", ""), "name==\n");
  EXPECT_EQ(itemFieldLine("a\nb\r", "x"), "a b ==x\n");
  EXPECT_EQ(itemFieldLine("n", "a\n"), "n=+LABEL\na\n\nLABEL\n");
  EXPECT_EQ(itemFieldLine("a", "LABEL\nx"), "a=+LABELx\nLABEL\nx\nLABELx\n");
  EXPECT_EQ(itemFieldLine("b", "LABELx and LABEL\n"), "b=+LABELxx\nLABELx and LABEL\n\nLABELxx\n");
}

TEST(ItemRecord, TerminatorWord) {
  EXPECT_EQ(terminatorFor("plain"), "LABEL");
  EXPECT_EQ(terminatorFor("a LABEL b"), "LABELx");
  EXPECT_EQ(terminatorFor("LABEL LABELx"), "LABELxx");
  EXPECT_EQ(terminatorFor("label"), "LABEL");
}

TEST(ItemRecord, RecordsWritten) {
  struct Row {
    const char* posted;
    const char* vars;
    const char* refLabel;
    const char* record;
  } rows[] = {
      {"name=Ana&note=first%0Asecond", "", "",
       "&LABEL==ORD-3\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n&TIME==1405\n"
       "name==Ana\nnote=+LABEL\nfirst\nsecond\nLABEL\n\n"},
      // The reference label's line only when there is one.
      {"", "CDT", "Q-0", "&LABEL==ORD-3\n&FORMID==order\n&REFLABEL==Q-0\n\n"},
      {"", "LCT", "", "&FORMID==order\n&DATE==19990315\n\n"},
      {"", "LFCDTR", "Q-0", "\n"},
      // A repeated field is written at its first place.
      {"a=1&b=2&a=3", "LFCDTR", "", "a==1\na==3\nb==2\n\n"},
      // No line feed in a name or the reference label can forge a line.
      {"x%0A%26LABEL=evil&ok=1", "CDT", "r\n&LABEL==forged\r",
       "&LABEL==ORD-3\n&FORMID==order\n&REFLABEL==r &LABEL==forged \nx &LABEL==evil\nok==1\n\n"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(itemRecordText(recordValues(row.refLabel), omittedByVars(row.vars),
                             postedFields(row.posted)),
              row.record)
        << row.posted;
}

// Every record of a catalog: its text as read and its fields; "End" or
// "Malformed" for what ends the reading.
std::string readAll(const std::string& catalog) {
  TextLines lines(catalog);
  std::string out;
  for (;;) {
    Collect sink;
    Text text;
    RecordRead read = readItemRecord(lines, sink, &text);
    if (read == RecordRead::End) return out + "End";
    if (read == RecordRead::Malformed) return out + "Malformed";
    out += "[" + text.str() + "|" + sink.out + "]";
  }
}

TEST(ItemRecord, RecordsRead) {
  struct Row {
    const char* catalog;
    const char* read;
  } rows[] = {
      {"a==1\na==2\n\n\nb==3\n", "[a==1\na==2\n\n|a=1;a=2;][\n|][b==3\n\n|b=3;]End"},
      {"a==1\nnote=+END\nx\n\ny\n", "[a==1\nnote=+END\nx\n\ny\n\n|a=1;]End"},
      {"a==1\r\nb=+LABEL\r\nx\r\nLABEL\r\n\r\nc==2\r\n",
       "[a==1\nb=+LABEL\nx\nLABEL\n\n|a=1;b=x;][c==2\n\n|c=2;]End"},
      {"city==Ko\"cevje\n\n", "[city==Ko\"cevje\n\n|city=Ko\"cevje;]End"},
      {"", "End"},
      {"a==1\nno equals sign\n\n", "Malformed"},
      {"a=x\n\n", "Malformed"},
      {"a=\n\n", "Malformed"},
      {"=\n", "Malformed"},
      {"a=-1\n", "Malformed"},
  };
  for (const Row& row : rows) EXPECT_EQ(readAll(row.catalog), row.read) << row.catalog;
}

TEST(ItemRecord, SinkThatSkipsValuesStillReadsPastThem) {
  class OnlyB : public Collect {
   public:
    bool wants(std::string_view name) override { return name == "b"; }
  } sink;
  TextLines lines("a=+E\nlong\nvalue\nE\nb=+E\nkept\nE\nc==1\n\nnext==1\n\n");
  EXPECT_EQ(readItemRecord(lines, sink, nullptr), RecordRead::Record);
  EXPECT_EQ(sink.out, "b=kept;c=1;");
  Text text;
  Collect next;
  EXPECT_EQ(readItemRecord(lines, next, &text), RecordRead::Record);
  EXPECT_EQ(text, "next==1\n\n");
  EXPECT_EQ(readItemRecord(lines, next, &text), RecordRead::End);
  EXPECT_EQ(text, "");
}

// A written record reads back to its fields, whatever the values hold.
TEST(ItemRecord, WrittenRecordsReadBack) {
  struct Row {
    const char* posted;
    const char* refLabel;
    const char* fields;
  } rows[] = {
      {"name=Ana&note=a%0A%0Ab", "",
       "&LABEL=ORD-3;&FORMID=order;&COMPUTER=192.0.2.7;&DATE=19990315;&TIME=1405;name=Ana;"
       "note=a\n\nb;"},
      {"a=1&b=2&a=3", "ORD-1",
       "&LABEL=ORD-3;&FORMID=order;&COMPUTER=192.0.2.7;&DATE=19990315;&TIME=1405;"
       "&REFLABEL=ORD-1;a=1;a=3;b=2;"},
      {"v=LABEL%0Ax&w=LABELx+and+LABEL%0A&e=%0A", "",
       "&LABEL=ORD-3;&FORMID=order;&COMPUTER=192.0.2.7;&DATE=19990315;&TIME=1405;"
       "v=LABEL\nx;w=LABELx and LABEL\n;e=\n;"},
  };
  for (const Row& row : rows) {
    Text record =
        itemRecordText(recordValues(row.refLabel), AutomaticFields(), postedFields(row.posted));
    TextLines lines(record.view());
    Collect sink;
    Text text;
    EXPECT_EQ(readItemRecord(lines, sink, &text), RecordRead::Record) << row.posted;
    EXPECT_EQ(text, record) << row.posted;
    EXPECT_EQ(sink.out, row.fields) << row.posted;
  }
}

}  // namespace
