// Records written and read back in the item form and the delimited form.
#include <gtest/gtest.h>

#include "group_fixture.h"

namespace {

class ItemRecords : public GroupFixture {};
class DelimitedRecords : public GroupFixture {};

TEST_F(ItemRecords, RecordWithAutomaticFieldsAndBracketedNote) {
  CatalogGroup& g = loadPost("catalog=orders\n", "name=Ana&note=first%0Asecond");
  ScratchFile file;
  EXPECT_EQ(g.writeRecord(file.get(), "ORD-3", "order", ""), 0);
  EXPECT_EQ(file.content(),
            "&LABEL==ORD-3\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n"
            "&TIME==1405\nname==Ana\nnote=+LABEL\nfirst\nsecond\nLABEL\n\n");
}

TEST_F(ItemRecords, OffsetIsThePositionBeforeTheRecord) {
  CatalogGroup& g = loadPost("vars=LFCDTR\n", "a=1");
  ScratchFile file("old\n");
  std::fseek(file.get(), 0, SEEK_END);
  EXPECT_EQ(g.writeRecord(file.get(), "L", "f", ""), 4);
  EXPECT_EQ(file.content(), "old\na==1\n\n");
}

TEST_F(ItemRecords, ReferenceLabelLineOnlyWhenGiven) {
  CatalogGroup& g = loadPost("vars=CDT\n", "");
  ScratchFile file;
  g.writeRecord(file.get(), "Q-1", "order", "Q-0");
  EXPECT_EQ(file.content(), "&LABEL==Q-1\n&FORMID==order\n&REFLABEL==Q-0\n\n");
}

TEST_F(ItemRecords, AllAutomaticFieldsOmittedAndNoFieldsIsTheEmptyLine) {
  CatalogGroup& g = loadPost("vars=LFCDTR\n", "");
  ScratchFile file;
  g.writeRecord(file.get(), "Q-1", "order", "Q-0");
  EXPECT_EQ(file.content(), "\n");
}

TEST_F(ItemRecords, RepeatedFieldIsWrittenAtItsFirstPlace) {
  CatalogGroup& g = loadPost("vars=LFCDTR\n", "a=1&b=2&a=3");
  ScratchFile file;
  g.writeRecord(file.get(), "", "", "");
  EXPECT_EQ(file.content(), "a==1\na==3\nb==2\n\n");
}

TEST_F(ItemRecords, LineFeedInFieldNameOrReferenceLabelCannotForgeLines) {
  CatalogGroup& g = loadPost("vars=CDT\n", "x%0A%26LABEL=evil&ok=1");
  ScratchFile file;
  g.writeRecord(file.get(), "Q-1", "order", "r\n&LABEL==forged\r");
  EXPECT_EQ(file.content(),
            "&LABEL==Q-1\n&FORMID==order\n&REFLABEL==r &LABEL==forged \nx &LABEL==evil\nok==1\n\n");
  ParamList fields;
  std::rewind(file.get());
  g.readRecord(file.get(), fields);
  EXPECT_EQ(fields.value("&label"), "Q-1");
  EXPECT_EQ(fields.find("&label")->further.size(), 0u);
}

TEST_F(ItemRecords, TerminatorGrowsPastEveryWordInTheValue) {
  CatalogGroup& g = load("");
  ScratchFile file;
  g.writeField(file.get(), "a", "LABEL\nx");
  g.writeField(file.get(), "b", "LABELx and LABEL\n");
  EXPECT_EQ(file.content(),
            "a=+LABELx\nLABEL\nx\nLABELx\nb=+LABELxx\nLABELx and LABEL\n\nLABELxx\n");
}

TEST_F(ItemRecords, ReadBackUnderEitherNameCase) {
  CatalogGroup& g = loadPost("", "name=Ana&note=a%0A%0Ab");
  ScratchFile file;
  g.writeRecord(file.get(), "ORD-3", "order", "");
  std::string written = file.content();
  std::rewind(file.get());
  ParamList fields;
  EXPECT_EQ(g.readRecord(file.get(), fields), written);
  EXPECT_EQ(fields.value("&label"), "ORD-3");
  EXPECT_EQ(fields.value("&FORMID"), "order");
  EXPECT_EQ(fields.value("&date"), "19990315");
  EXPECT_EQ(fields.value("&time"), "1405");
  EXPECT_EQ(fields.value("note"), "a\n\nb");
  EXPECT_EQ(fields.size(), 7u);
}

TEST_F(ItemRecords, ReadsRecordsInTurnThenEmptyTextAtTheEnd) {
  CatalogGroup& g = load("");
  ScratchFile file("a==1\na==2\n\n\nb==3\n");
  ParamList fields;
  EXPECT_EQ(g.readRecord(file.get(), fields), "a==1\na==2\n\n");
  EXPECT_EQ(fields.value("a", 1), "2");
  EXPECT_EQ(std::ftell(file.get()), 11);
  EXPECT_EQ(g.readRecord(file.get(), fields), "\n");
  EXPECT_TRUE(fields.empty());
  EXPECT_EQ(g.readRecord(file.get(), fields), "b==3\n\n");
  EXPECT_EQ(g.readRecord(file.get(), fields), "");
  EXPECT_TRUE(fields.empty());
}

TEST_F(ItemRecords, UnclosedBlockEndsTheRecordWithoutThatField) {
  CatalogGroup& g = load("");
  ScratchFile file("a==1\nnote=+END\nx\n\ny\n");
  ParamList fields;
  EXPECT_EQ(g.readRecord(file.get(), fields), "a==1\nnote=+END\nx\n\ny\n\n");
  EXPECT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields.find("note"), nullptr);
}

TEST_F(ItemRecords, CarriageReturnsOfTextModeLinesAreDropped) {
  CatalogGroup& g = load("");
  ScratchFile file("a==1\r\nb=+LABEL\r\nx\r\nLABEL\r\n\r\nc==2\r\n");
  ParamList fields;
  EXPECT_EQ(g.readRecord(file.get(), fields), "a==1\nb=+LABEL\nx\nLABEL\n\n");
  EXPECT_EQ(fields.value("b"), "x");
  EXPECT_EQ(g.readRecord(file.get(), fields), "c==2\n\n");
}

TEST_F(ItemRecords, QuotedLettersBecomeEntityNamesWhenRead) {
  CatalogGroup& g = load("");
  ScratchFile file("city==Ko\"cevje\n\n");
  ParamList fields;
  g.readRecord(file.get(), fields);
  EXPECT_EQ(fields.value("city"), "Ko&ccaron;evje");
}

TEST_F(ItemRecords, MalformedLinesAreErrorInData) {
  for (const char* bad : {"a==1\nno equals sign\n\n", "a=x\n\n", "a=\n\n", "=\n"}) {
    CatalogGroup& g = load("");
    ScratchFile file(bad);
    ParamList fields;
    std::string page = pageOfFatal([&] { g.readRecord(file.get(), fields); });
    EXPECT_NE(page.find("<b>Error in data</b>"), std::string::npos) << bad;
  }
}

TEST_F(DelimitedRecords, OneLineWithAnEmptyReferenceColumn) {
  CatalogGroup& g = loadPost("data=;name;city\n", "city=Kranj&name=Ana");
  ScratchFile file;
  EXPECT_EQ(g.writeRecord(file.get(), "Q-1", "order", ""), 0);
  EXPECT_EQ(file.content(), "Q-1;order;192.0.2.7;19990315;1405;;Ana;Kranj\n");
}

TEST_F(DelimitedRecords, QuotingOnlyWhenTheValueHoldsTheDelimiter) {
  CatalogGroup& g = loadPost("data=;a;b;c;d\nvars=LFCDTR\n",
                             "a=x%3By&b=say+%22hi%22%3B&c=say+%22hi%22&d=two%0Alines");
  ScratchFile file;
  g.writeRecord(file.get(), "", "", "");
  EXPECT_EQ(file.content(), "\"x;y\";\"say \"\"hi\"\";\";say \"hi\";two lines\n");
}

TEST_F(DelimitedRecords, MissingFieldsAndEmptyNamesGiveEmptyColumns) {
  CatalogGroup& g = loadPost("data=,a,,b\nvars=CDTR\n", "b=2&a=1&extra=3");
  ScratchFile file;
  g.writeRecord(file.get(), "Q-1", "f", "");
  EXPECT_EQ(file.content(), "Q-1,f,1,,2\n");
}

TEST_F(DelimitedRecords, ReferenceLabelWithLineFeedStaysOnTheLine) {
  CatalogGroup& g = loadPost("data=;a\nvars=CDT\n", "a=1");
  ScratchFile file;
  g.writeRecord(file.get(), "Q-1", "f", "x\ny");
  EXPECT_EQ(file.content(), "Q-1;f;x y;1\n");
}

TEST_F(DelimitedRecords, ReadBackWithLowerCaseNamesAndQuotedValuesWhole) {
  CatalogGroup& g = load("data=;name;city\n");
  ScratchFile file("Q-1;order;192.0.2.7;19990315;1405;;\"A;B\";Kranj\nnext\n");
  ParamList fields;
  EXPECT_EQ(g.readRecord(file.get(), fields), "Q-1;order;192.0.2.7;19990315;1405;;\"A;B\";Kranj\n");
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[0].name, "&label");
  EXPECT_EQ(fields.value("&LABEL"), "Q-1");
  EXPECT_EQ(fields[5].name, "&reflabel");
  // The quoted value held the delimiter: it comes back whole, and the city
  // after it is not shifted.
  EXPECT_EQ(fields.value("name"), "A;B");
  EXPECT_EQ(fields.value("city"), "Kranj");
  EXPECT_EQ(g.readRecord(file.get(), fields), "next\n");
  EXPECT_EQ(fields.value("&label"), "next");
  EXPECT_EQ(g.readRecord(file.get(), fields), "");
  EXPECT_TRUE(fields.empty());
}

TEST_F(DelimitedRecords, OmittedAutomaticColumnsAreNotRead) {
  CatalogGroup& g = load("data=|x\nvars=CDT\n");
  ScratchFile file("L|F|R|1|surplus\n");
  ParamList fields;
  g.readRecord(file.get(), fields);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[2].name, "&reflabel");
  EXPECT_EQ(fields.value("x"), "1");
}

}  // namespace
