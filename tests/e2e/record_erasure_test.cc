// Erasing a record from show: only after login and confirmation, the record
// out of its catalog file, the index entries of later records moved back,
// other catalogs' entries untouched, its uploads gone, a log line without
// the content.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const std::string kRec1 = "&LABEL==ORD-1\n&FORMID==order\nname==Ana\n\n";
const std::string kRec2 = "&LABEL==ORD-2\n&FORMID==order\nname==Bor\ncity==Ko&ccaron;evje\n\n";
const std::string kRec3 = "&LABEL==ORD-3\n&FORMID==order\nname==Cene\n\n";
const std::string kOff2 = std::to_string(kRec1.size());
const std::string kOff3 = std::to_string(kRec1.size() + kRec2.size());
const std::string kShifted3 = std::to_string(kRec1.size());

class RecordErasure : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini", "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.path() +
                                 "shop.grp\nclub=" + home.path() + "club.grp\n");
    home.write("shop.grp", "catalog=orders order\nlabel=ORD-\n");
    home.write("orders.dat", kRec1 + kRec2 + kRec3);
    home.write("orders.idx",
               "ORD-3 order " + kOff3 + "\nORD-1 order 0\nORD-2 order " + kOff2 + "\n");
    std::filesystem::create_directories(home.file("orders.files/ord-2"));
    std::filesystem::create_directories(home.file("orders.files/ord-1"));
    home.write("orders.files/ord-2/f1.bin", "upload");
    home.write("club.grp", "data=;name\nindex=common\ncatalog=a member\ncatalog=b member\n");
    home.write("a.dat", "M-1;member;;;;;x\nM-2;member;;;;;y\n");
    home.write("b.dat", "M-3;member;;;;;z\n");
    home.write("club.idx", "M-1 member a 0\nM-3 member b 0\nM-2 member a 17 ref\n");
  }

  CgiResult erase(const std::string& label, const std::string& body,
                  const std::string& group = "shop", const std::string& catalog = "orders") {
    std::string query = "label=" + label + "&catalog=" + catalog + "&erase=1";
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", group, query, body),
                  body);
  }

  TestHome home;
};

TEST_F(RecordErasure, NothingChangesWithoutPasswordOrConfirmation) {
  std::string before = home.read("orders.dat");
  struct Case {
    const char* body;
    const char* expected;  // in the answer
  } cases[] = {
      {"confirm=ORD-2", "Records Login"},
      {"password=wrong&confirm=ORD-2", "Records Login"},
      {"password=Secret", "Delete for good"},
      {"password=Secret&confirm=ORD-1", "Delete for good"},
  };
  for (const Case& c : cases) {
    EXPECT_NE(erase("ORD-2", c.body).output.find(c.expected), std::string::npos) << c.body;
    EXPECT_EQ(home.read("orders.dat"), before) << c.body;
  }
  EXPECT_TRUE(home.exists("orders.files/ord-2/f1.bin"));
  EXPECT_FALSE(home.exists("deletions.log"));
}

TEST_F(RecordErasure, RecordIndexEntryAndUploadsGoAndTheLogKeepsNoContent) {
  CgiResult result = erase("ORD-2", "password=Secret&confirm=ORD-2");
  EXPECT_NE(result.output.find("Record <tt>ORD-2</tt> deleted"), std::string::npos)
      << result.output;
  EXPECT_EQ(home.read("orders.dat"), kRec1 + kRec3);
  EXPECT_EQ(home.read("orders.idx"), "ORD-3 order " + kShifted3 + "\nORD-1 order 0\n");
  EXPECT_FALSE(home.exists("orders.files/ord-2"));
  EXPECT_TRUE(home.exists("orders.files/ord-1"));
  std::string log = home.read("deletions.log");
  EXPECT_NE(log.find("\tshop\torders\tORD-2\t"), std::string::npos) << log;
  EXPECT_EQ(log.find("Bor"), std::string::npos);
  EXPECT_EQ(log.find("evje"), std::string::npos);

  erase("ORD-3", "password=Secret&confirm=ORD-3");  // the last record of the file
  EXPECT_EQ(home.read("orders.dat"), kRec1);
  EXPECT_EQ(home.read("orders.idx"), "ORD-1 order 0\n");
}

TEST_F(RecordErasure, CommonIndexKeepsOtherCatalogsEntries) {
  erase("M-1", "password=Secret&confirm=M-1", "club", "a");
  EXPECT_EQ(home.read("a.dat"), "M-2;member;;;;;y\n");
  EXPECT_EQ(home.read("b.dat"), "M-3;member;;;;;z\n");
  EXPECT_EQ(home.read("club.idx"), "M-3 member b 0\nM-2 member a 0 ref\n");
}

TEST_F(RecordErasure, UnknownLabelChangesNothing) {
  std::string before = home.read("orders.dat");
  CgiResult result = erase("ORD-9", "password=Secret&confirm=ORD-9");
  EXPECT_NE(result.output.find("Record <tt>ORD-9</tt> not found"), std::string::npos);
  EXPECT_EQ(home.read("orders.dat"), before);
  EXPECT_FALSE(home.exists("deletions.log"));
}

}  // namespace
