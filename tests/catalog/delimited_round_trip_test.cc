// Delimited records written and read back when automatic values hold the
// delimiter (found by fuzzing the record round trip): the label prefix with
// a "-" delimiter, the address with a "." delimiter.
#include <cstdio>

#include "catalog/group_fixture.h"

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

}  // namespace
