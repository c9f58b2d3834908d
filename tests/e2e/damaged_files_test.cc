// Damaged catalogs and index files met by the programs as a web server runs
// them: a bracketed block cut short, binary garbage, CR LF line ends, a line
// without "=", index lines that are empty or lack an offset. Each gives its
// defined result (a record read to the end of the file, "Error in data", an
// entry with offset 0), files compared byte for byte, and never a crash.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kHeader[] = "Content-type: text/html\n\n";
// The index builder's pages carry the header lines of the password-protected pages.
const char kLunoderHeader[] =
    "Content-type: text/html\nCache-Control: no-store\nX-Frame-Options: DENY\n"
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n\n";

std::string errorInData(const char* header = kHeader) {
  return std::string(header) +
         "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n"
         "<body>\n<h1>Runtime Error</h1>\n<hr>\n<b>Error in data</b>\n<hr>\n</body>\n</html>\n";
}

class DamagedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=p\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("order.msg", "Stored.\n");
  }

  // lunoder over every catalog of the group.
  CgiResult rebuild() const {
    return runCgi(programPath("lunoder"),
                  postEnvironment(home.path(), "lunoder", "shop", "", "password=p"), "password=p");
  }
  // A sorted submission of one field.
  CgiResult submit(const std::string& name) const {
    std::string body = "name=" + name;
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", "formid=order", body), body);
  }
  // A result that is the end of a program, not a crash.
  static void expectExit(const CgiResult& r, int status) {
    EXPECT_EQ(r.status, status) << r.output;
  }

  TestHome home;
};

// ---- a bracketed block cut short -------------------------------------------

const char kCutBlock[] = "&LABEL==A2\n&FORMID==order\nname==m\nnote=+LABEL\nnever closed\n";

TEST_F(DamagedFilesTest, CutBlockIsReadToTheEndOfTheFileByTheIndexBuilder) {
  home.write("shop.grp", "form=order\ncatalog=orders order\n");
  std::string first = "&LABEL==A1\n&FORMID==order\nname==b\n\n";
  home.write("orders.dat", first + kCutBlock);
  CgiResult r = rebuild();
  expectExit(r, 0);
  EXPECT_NE(r.output.find("<li> <tt><b>orders</b></tt>\n"), std::string::npos) << r.output;
  EXPECT_EQ(home.read("orders.idx"), "A1 order 0\nA2 order " + std::to_string(first.size()) + "\n");
}

// The merge copies the cut record byte for byte after the new one.
TEST_F(DamagedFilesTest, CutBlockIsCopiedAfterTheNewRecordByTheSortedMerge) {
  home.write("shop.grp",
             "vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  std::string first = "&LABEL==A1\n&FORMID==order\nname==b\n\n";
  home.write("orders.dat", first + kCutBlock);
  expectExit(submit("c"), 0);
  EXPECT_EQ(home.read("orders.dat"), first + "name==c\n\n" + kCutBlock);
}

// A last record that lacks its line feed or the empty line that ends it
// gets them before a new record put after it, so that the new record reads
// as one of its own.
TEST_F(DamagedFilesTest, RecordAfterALastRecordWithoutItsEmptyLineBeginsOnItsOwn) {
  home.write("shop.grp",
             "vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  for (std::string last : {"name==a", "name==a\n", "name==a\r\n", "name==a\n\n", "\n"}) {
    home.write("orders.dat", last);
    expectExit(submit("c"), 0);
    std::string ending = last.ends_with("\n\n") || last == "\n" ? ""
                         : last.ends_with("\n")                 ? "\n"
                                                                : "\n\n";
    EXPECT_EQ(home.read("orders.dat"), last + ending + "name==c\n\n") << last;
  }
}

// ---- binary garbage ---------------------------------------------------------

// Random bytes of every value except "=", so their first non-empty line has
// no "=", with zero bytes and line feeds among them.
std::string garbage() {
  std::mt19937 random(11);
  std::string bytes;
  for (int i = 0; i < 4096; ++i) {
    char c = static_cast<char>(random() % 256);
    bytes += c == '=' ? '#' : c;
  }
  return bytes;
}

TEST_F(DamagedFilesTest, BinaryGarbageIsErrorInDataAndTheOldIndexStays) {
  home.write("shop.grp", "form=order\ncatalog=orders order\n");
  home.write("orders.dat", "&LABEL==A1\n&FORMID==order\n\n" + garbage());
  home.write("orders.idx", "A1 order 0\n");
  CgiResult r = rebuild();
  expectExit(r, 1);
  EXPECT_EQ(r.output, errorInData(kLunoderHeader));
  EXPECT_EQ(home.read("orders.idx"), "A1 order 0\n");
}

TEST_F(DamagedFilesTest, BinaryGarbageStopsTheSortedMergeAndChangesNothing) {
  std::string group =
      "vars=CDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\ncount=1\n";
  home.write("shop.grp", group);
  std::string catalog = "&LABEL==1\n&FORMID==order\nname==a\n\n" + garbage();
  home.write("orders.dat", catalog);
  CgiResult r = submit("b");
  expectExit(r, 1);
  EXPECT_EQ(r.output, errorInData());
  EXPECT_EQ(home.read("orders.dat"), catalog);
  EXPECT_EQ(home.read("shop.grp"), group);
  EXPECT_FALSE(home.exists("orders.tmp"));
}

// ---- CR LF line ends --------------------------------------------------------

const char kCrLfCatalog[] =
    "&LABEL==A1\r\n&FORMID==order\r\nname==b\r\n\r\n"
    "&LABEL==A2\r\n&FORMID==order\r\n&REFLABEL==A1\r\nname==m\r\nnote=+LABEL\r\ntwo\r\nlines\r\n"
    "LABEL\r\n\r\n";

TEST_F(DamagedFilesTest, CrLfCatalogIsIndexedAtItsByteOffsets) {
  home.write("shop.grp", "form=order\ncatalog=orders order\n");
  home.write("orders.dat", kCrLfCatalog);
  expectExit(rebuild(), 0);
  // The second record starts after the first one's 39 bytes, carriage returns
  // counted; its reference label comes without the carriage return.
  EXPECT_EQ(home.read("orders.idx"), "A1 order 0\nA2 order 39 A1\n");
}

// The old records keep their bytes on both sides of the new one.
TEST_F(DamagedFilesTest, CrLfRecordsAroundTheNewOneKeepTheirCarriageReturns) {
  home.write("shop.grp",
             "vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  std::string first = "&LABEL==A1\r\n&FORMID==order\r\nname==b\r\n\r\n";
  std::string third = "&LABEL==A3\r\nname==x\r\n\r\n";
  home.write("orders.dat", kCrLfCatalog + third);
  expectExit(submit("c"), 0);
  EXPECT_EQ(home.read("orders.dat"),
            first + "name==c\n\n" + std::string(kCrLfCatalog).substr(first.size()) + third);
}

// ---- a record line without "=" ----------------------------------------------

TEST_F(DamagedFilesTest, LineWithoutEqualsIsErrorInData) {
  home.write("shop.grp", "form=order\ncatalog=orders order\n");
  for (const char* bad : {"just a line\n", "name=x\n", "name=\n"}) {
    home.write("orders.dat",
               std::string("&LABEL==A1\n&FORMID==order\n\n&LABEL==A2\n") + bad + "\n");
    home.write("orders.idx", "old\n");
    CgiResult r = rebuild();
    expectExit(r, 1);
    EXPECT_EQ(r.output, errorInData(kLunoderHeader)) << bad;
    EXPECT_EQ(home.read("orders.idx"), "old\n") << bad;
  }
}

TEST_F(DamagedFilesTest, LineWithoutEqualsStopsTheSortedMerge) {
  home.write("shop.grp",
             "vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  std::string catalog = "name==a\n\nname==b\nwithout equals\n\nname==z\n\n";
  home.write("orders.dat", catalog);
  CgiResult r = submit("c");
  expectExit(r, 1);
  EXPECT_EQ(r.output, errorInData());
  EXPECT_EQ(home.read("orders.dat"), catalog);
}

// ---- index lines that are empty or have no offset ---------------------------

class DamagedIndexTest : public DamagedFilesTest {
 protected:
  void SetUp() override {
    DamagedFilesTest::SetUp();
    home.write("shop.grp",
               "vars=CDT\ninsert=sort name\nform=order\ncatalog=orders order\nlabel=A\ncount=3\n");
    // The record at offset 0 sorts last (z), the second first (b).
    home.write("orders.dat", kFirst + kSecond);
  }
  static std::string offsetOfNew() { return std::to_string(kFirst.size() + kSecond.size()); }

  inline static const std::string kFirst = "&LABEL==A1\n&FORMID==order\nname==z\n\n";
  inline static const std::string kSecond = "&LABEL==A2\n&FORMID==order\nname==b\n\n";
  inline static const std::string kSecondEntry = "A2 order " + std::to_string(kFirst.size()) + "\n";
};

// The empty line reads as an entry with offset 0, whose record (key z) does
// not go before c: the new entry lands before it and the line stays.
TEST_F(DamagedIndexTest, EmptyLineIsAnEntryWithOffsetZero) {
  home.write("orders.idx", kSecondEntry + "\nA1 order 0\n");
  expectExit(submit("c"), 0);
  EXPECT_EQ(home.read("orders.idx"),
            kSecondEntry + "A4 order " + offsetOfNew() + "\n\nA1 order 0\n");
}

TEST_F(DamagedIndexTest, LineWithoutOffsetIsAnEntryWithOffsetZero) {
  home.write("orders.idx", kSecondEntry + "A1 order\n");
  expectExit(submit("c"), 0);
  EXPECT_EQ(home.read("orders.idx"), kSecondEntry + "A4 order " + offsetOfNew() + "\nA1 order\n");
}

// Entries whose records all go before the new one are copied unchanged, the
// damaged ones included; a last line without a line feed gets one.
TEST_F(DamagedIndexTest, DamagedEntriesBeforeTheNewOneAreCopiedAsTheyWere) {
  home.write("orders.idx", kSecondEntry + "\nA1 order\nA1 order 0");
  expectExit(submit("zz"), 0);
  EXPECT_EQ(home.read("orders.idx"),
            kSecondEntry + "\nA1 order\nA1 order 0\nA4 order " + offsetOfNew() + "\n");
}

// An offset past the end of the catalog reads as a record without fields,
// whose empty key goes before every other.
TEST_F(DamagedIndexTest, OffsetPastTheEndReadsAsARecordWithoutFields) {
  home.write("orders.idx", "A9 order 999999\nA1 order 0\n");
  expectExit(submit("c"), 0);
  EXPECT_EQ(home.read("orders.idx"),
            "A9 order 999999\nA4 order " + offsetOfNew() + "\nA1 order 0\n");
}

}  // namespace
