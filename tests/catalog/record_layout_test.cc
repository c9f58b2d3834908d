// The layout of a group's records: DATA chooses the form, VARS the automatic
// fields, and whole records written and read back through it land in a
// parameter list under names of either case.
#include "common/catalog/record_layout.h"

#include <gtest/gtest.h>

#include "record_test_support.h"

namespace {

RecordLayout layoutOf(const std::string& groupFile) {
  return recordLayoutOf(parseGroupFile(groupFile, "/g.grp"));
}

TEST(RecordLayout, DataChoosesTheFormAndVarsTheFields) {
  ParamList posted = postedFields("city=Kranj&name=Ana");
  struct Row {
    const char* groupFile;
    const char* record;
  } rows[] = {
      {"vars=CDT\n", "&LABEL==ORD-3\n&FORMID==order\ncity==Kranj\nname==Ana\n\n"},
      {"data=;name;city\nvars=CDT\n", "ORD-3;order;;Ana;Kranj\n"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(layoutOf(row.groupFile).recordText(recordValues(), posted), row.record)
        << row.groupFile;
}

// Either form reads back into a parameter list, names found in any case and
// values normalised as a request's are; a blank line is a record without
// fields in both.
TEST(RecordLayout, RecordsReadBackIntoAParameterList) {
  for (const char* groupFile : {"", "data=;name;note\n"}) {
    RecordLayout layout = layoutOf(groupFile);
    ParamList posted;
    posted.setVerbatim("name", "Ko\"cevje");  // stored as posted, normalised when read
    posted.setVerbatim("note", "a");
    Text catalog = layout.recordText(recordValues("ORD-1"), posted) + "\n";
    TextLines lines(catalog.view());
    ParamList fields;
    ParamListSink sink(fields);
    Text text;
    ASSERT_EQ(layout.read(lines, sink, &text), RecordRead::Record) << groupFile;
    EXPECT_EQ(text.str() + "\n", catalog.str()) << groupFile;
    EXPECT_EQ(fields.value("&label"), "ORD-3") << groupFile;
    EXPECT_EQ(fields.value("&LABEL"), "ORD-3") << groupFile;
    EXPECT_EQ(fields.value("&RefLabel"), "ORD-1") << groupFile;
    EXPECT_EQ(fields.value("&date"), "19990315") << groupFile;
    EXPECT_EQ(fields.value("name"), "Ko&ccaron;evje") << groupFile;
    ParamList blank;
    ParamListSink blankSink(blank);
    EXPECT_EQ(layout.read(lines, blankSink, &text), RecordRead::Record) << groupFile;
    EXPECT_EQ(text, "\n");
    EXPECT_TRUE(blank.empty()) << groupFile;
    EXPECT_EQ(layout.read(lines, blankSink, &text), RecordRead::End) << groupFile;
  }
}

}  // namespace
