// insert run as a web server runs it: a POST with the group as PATH_INFO,
// a temporary home with the settings, the group file and its catalogs; the
// page, the exit status and every file compared byte for byte.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kHeader[] = "Content-type: text/html\n\n";

class InsertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings("");
    home.write("order.msg", "Stored <var &label> in <var &catalog>.\n");
  }

  void settings(const std::string& general) {
    home.write("kalder.ini", "[GENERAL]\n" + general + "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  }

  // A group with one form "order" and the given extra lines; date and time are
  // left out of records so that they compare byte for byte.
  void group(const std::string& lines) { home.write("shop.grp", lines); }

  CgiResult submit(const std::string& query, const std::string& body,
                   const std::string& groupName = "shop") {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", groupName, query, body), body);
  }

  TestHome home;
};

std::string record(const std::string& label, const std::string& fields,
                   const std::string& form = "order") {
  return "&LABEL==" + label + "\n&FORMID==" + form + "\n&COMPUTER==192.0.2.7\n" + fields + "\n";
}

// ---- the six ways of storing a record ------------------------------------

TEST_F(InsertTest, AppendsWithoutIndex) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
  home.write("orders.dat", record("Q-41", "name==Old\n"));
  CgiResult r = submit("formid=order", "name=Ana&note=two%0D%0Alines");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, std::string(kHeader) + "Stored Q-42 in orders.\n");
  EXPECT_EQ(home.read("orders.dat"),
            record("Q-41", "name==Old\n") + record("Q-42", "name==Ana\nnote=+LABEL\ntwo\nlines\nLABEL\n"));
  EXPECT_EQ(home.read("shop.grp"),
            "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=42\n");
  EXPECT_FALSE(home.exists("orders.idx"));
}

TEST_F(InsertTest, PutsTheRecordFirstWithoutIndex) {
  group("vars=DT\nindex=none\ninsert=start\nform=order\ncatalog=orders order\ncount=1\n");
  home.write("orders.dat", record("1", "name==Old\n"));
  ASSERT_EQ(submit("", "name=New").status, 0);
  EXPECT_EQ(home.read("orders.dat"), record("2", "name==New\n") + record("1", "name==Old\n"));
  EXPECT_FALSE(home.exists("orders.tmp"));
}

TEST_F(InsertTest, NumericSortStopsAtTheFirstKeyNotBelow) {
  group("vars=LFCDT\nindex=none\ninsert=sort price n\nform=order\ncatalog=orders order\n");
  home.write("orders.dat", "price==10\n\nprice==9\n\nprice==100\n\n");
  ASSERT_EQ(submit("", "price=50").status, 0);
  EXPECT_EQ(home.read("orders.dat"), "price==10\n\nprice==9\n\nprice==50\n\nprice==100\n\n");
}

TEST_F(InsertTest, NumericSortReadsTextAsZero) {
  group("vars=LFCDT\nindex=none\ninsert=sort price n\nform=order\ncatalog=orders order\n");
  home.write("orders.dat", "price==abc\n\nprice==7\n\n");
  ASSERT_EQ(submit("", "price=-1").status, 0);
  EXPECT_EQ(home.read("orders.dat"), "price==-1\n\nprice==abc\n\nprice==7\n\n");
}

TEST_F(InsertTest, ByteWiseSortPutsCapitalsFirstAndNewBeforeEquals) {
  group("vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  home.write("orders.dat", "name==Zebra\n\nname==apple\n\n");
  ASSERT_EQ(submit("", "name=apple&n=new").status, 0);
  EXPECT_EQ(home.read("orders.dat"), "name==Zebra\n\nname==apple\nn==new\n\nname==apple\n\n");
}

TEST_F(InsertTest, ReverseSortPutsNewAfterEquals) {
  group("vars=LFCDT\nindex=none\ninsert=sort name r\nform=order\ncatalog=orders order\n");
  home.write("orders.dat", "name==c\n\nname==b\n\nname==a\n\n");
  ASSERT_EQ(submit("", "name=b&n=new").status, 0);
  EXPECT_EQ(home.read("orders.dat"), "name==c\n\nname==b\n\nname==b\nn==new\n\nname==a\n\n");
}

TEST_F(InsertTest, SortedMergeIntoMissingFileCreatesIt) {
  group("vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(submit("", "name=x").status, 0);
  EXPECT_EQ(home.read("orders.dat"), "name==x\n\n");
}

TEST_F(InsertTest, PrivateIndexAppendsRecordAndEntry) {
  group("vars=CDT\nform=order\ncatalog=orders order\nlabel=A\ncount=1\n");
  std::string old = "&LABEL==A1\n&FORMID==order\nname==Old\n\n";
  home.write("orders.dat", old);
  home.write("orders.idx", "A1 order 0\n");
  ASSERT_EQ(submit("formid=order&reflabel=A1", "name=New").status, 0);
  EXPECT_EQ(home.read("orders.dat"),
            old + "&LABEL==A2\n&FORMID==order\n&REFLABEL==A1\nname==New\n\n");
  EXPECT_EQ(home.read("orders.idx"), "A1 order 0\nA2 order " + std::to_string(old.size()) + " A1\n");
}

TEST_F(InsertTest, PrivateIndexPutsEntryFirst) {
  group("vars=CDT\ninsert=start\nform=order\ncatalog=orders order\ncount=1\n");
  std::string old = "&LABEL==1\n&FORMID==order\n\n";
  home.write("orders.dat", old);
  home.write("orders.idx", "1 order 0\n");
  ASSERT_EQ(submit("", "x=y").status, 0);
  EXPECT_EQ(home.read("orders.idx"), "2 order " + std::to_string(old.size()) + "\n1 order 0\n");
}

TEST_F(InsertTest, PrivateIndexSortsThroughTheRecords) {
  group("vars=CDT\ninsert=sort name\nform=order\ncatalog=orders order\ncount=2\n");
  std::string a = "&LABEL==1\n&FORMID==order\nname==c\n\n";
  std::string b = "&LABEL==2\n&FORMID==order\nname==a\n\n";
  home.write("orders.dat", a + b);
  home.write("orders.idx", "2 order " + std::to_string(a.size()) + "\n1 order 0\n");
  ASSERT_EQ(submit("", "name=b").status, 0);
  long offset = static_cast<long>(a.size() + b.size());
  EXPECT_EQ(home.read("orders.idx"),
            "2 order " + std::to_string(a.size()) + "\n3 order " + std::to_string(offset) +
                "\n1 order 0\n");
}

TEST_F(InsertTest, CommonIndexPassesOtherCatalogsThrough) {
  group("vars=CDT\nindex=common\ninsert=sort name\nform=order\ncatalog=orders order\n"
        "catalog=other order\ncount=1\n");
  std::string a = "&LABEL==1\n&FORMID==order\nname==z\n\n";
  home.write("orders.dat", a);
  home.write("shop.idx", "9 order other 0\n1 order orders 0\n8 order other 5\n");
  ASSERT_EQ(submit("", "name=m").status, 0);
  EXPECT_EQ(home.read("shop.idx"), "9 order other 0\n2 order orders " +
                                       std::to_string(a.size()) +
                                       "\n1 order orders 0\n8 order other 5\n");
}

// ---- the counter line -------------------------------------------------------

TEST_F(InsertTest, CounterLineIsAddedWhenMissingAndGrowsInPlace) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=99\ntitle=Shop\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  EXPECT_EQ(home.read("shop.grp"),
            "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=100\ntitle=Shop\n");
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  EXPECT_EQ(home.read("shop.grp"), "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=1\n");
}

TEST_F(InsertTest, CounterInCapitalsGetsASecondLineThatWins) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\nCOUNT=7\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  ASSERT_EQ(submit("", "a=2").status, 0);
  EXPECT_EQ(home.read("shop.grp"),
            "vars=DT\nindex=none\nform=order\ncatalog=orders order\nCOUNT=7\ncount=9\n");
  EXPECT_NE(home.read("orders.dat").find("&LABEL==9\n"), std::string::npos);
}

TEST_F(InsertTest, WithoutLabelsAndIndexTheCounterIsNotSaved) {
  group("vars=LDT\nindex=none\nform=order\ncatalog=orders order\ncount=5\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  EXPECT_EQ(home.read("shop.grp"), "vars=LDT\nindex=none\nform=order\ncatalog=orders order\ncount=5\n");
  EXPECT_EQ(home.read("orders.dat"), "&FORMID==order\n&COMPUTER==192.0.2.7\na==1\n\n");
}

TEST_F(InsertTest, TransactionModeStoresNothingButCounts) {
  group("vars=DT\nchanges=private\nform=order\ncatalog=orders order\ncount=3\n");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.output, std::string(kHeader) + "Stored 4 in orders.\n");
  EXPECT_FALSE(home.exists("orders.dat"));
  EXPECT_FALSE(home.exists("orders.idx"));
  EXPECT_NE(home.read("shop.grp").find("count=4\n"), std::string::npos);
}

TEST_F(InsertTest, DateAndTimeComeFromTheClock) {
  group("index=none\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  std::string data = home.read("orders.dat");
  EXPECT_TRUE(::testing::internal::RE::PartialMatch(
      data, ::testing::internal::RE("&DATE==2[0-9]{7}\n&TIME==[0-2][0-9][0-5][0-9]\na==1\n\n$")))
      << data;
}

// ---- choosing form and catalog ------------------------------------------------

TEST_F(InsertTest, FirstFormAndFirstListingCatalogAreUsed) {
  group("vars=DT\nindex=none\nform=first\nform=order\ncatalog=a order\ncatalog=b first\n"
        "catalog=c first\n");
  home.write("first.msg", "<var &formid> <var &catalog>\n");
  CgiResult r = submit("", "x=1");
  EXPECT_EQ(r.output, std::string(kHeader) + "first b\n");
  EXPECT_TRUE(home.exists("b.dat"));
  EXPECT_FALSE(home.exists("c.dat"));
}

TEST_F(InsertTest, CatalogParameterTakesTheFirstValueButResolvesAll) {
  group("vars=DT\nindex=none\nform=order\ncatalog=a order\ncatalog=b order\n");
  ASSERT_EQ(submit("catalog=b&catalog=a", "x=1").status, 0);
  EXPECT_TRUE(home.exists("b.dat"));
  EXPECT_FALSE(home.exists("a.dat"));
  CgiResult r = submit("catalog=a&catalog=nope&formid=nope", "x=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Cannot find catalog <tt>nope</tt>"), std::string::npos);
}

TEST_F(InsertTest, SeriesMemberFromTheTagOrTheCurrentPeriod) {
  group("vars=DT\nindex=none\nform=order\ncatalog=log*year order log[YYYY].dat\n"
        "catalog=month* visit m[YYYY][MM].dat\nform=visit\n");
  home.write("visit.msg", "<var &catalog>\n");
  ASSERT_EQ(submit("", "year=1999&x=1").status, 0);
  EXPECT_TRUE(home.exists("log1999.dat"));
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char member[32];
  std::snprintf(member, sizeof member, "%04d%02d", local.tm_year + 1900, local.tm_mon + 1);
  CgiResult r = submit("formid=visit", "x=1");
  EXPECT_EQ(r.output, std::string(kHeader) + "month" + member + "\n");
  EXPECT_TRUE(home.exists(std::string("m") + member + ".dat"));
}

TEST_F(InsertTest, SeriesTagThatIsNotDigitsNeverReachesAPath) {
  group("vars=DT\nindex=none\nform=order\ncatalog=log*year order log[YYYY].dat\n");
  CgiResult r = submit("", "year=..%2F..%2Fetc");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Cannot find catalog"), std::string::npos);
}

// ---- failures, in both languages ------------------------------------------------

struct Failure {
  const char* name;
  const char* groupFile;
  const char* group;
  const char* query;
  const char* english;
  const char* slovenian;
};

const Failure kFailures[] = {
    {"NoGroup", "form=order\n", "", "", "Group of catalogs is not specified",
     "Skupina katalogov ni dolo&ccaron;ena"},
    {"UnknownGroup", "form=order\n", "nope", "", "Unknown group of catalogs: <tt>nope</tt>",
     "Ne poznam skupine katalogov z imenom <tt>nope</tt>"},
    {"NoForm", "catalog=a\n", "shop", "", "Form is not specified", "Obrazec ni dolo&ccaron;en"},
    {"UnknownForm", "form=order\ncatalog=a order\n", "shop", "formid=x",
     "Cannot find form <tt>x</tt>", "Ne najdem obrazca <tt>x</tt>"},
    {"NoCatalog", "form=order\ncatalog=a other\n", "shop", "",
     "Catalog for form <tt>order</tt> is not specified",
     "Katalog za obrazec <tt>order</tt> ni dolo&ccaron;ena"},
    {"UnknownCatalog", "form=order\ncatalog=a order\n", "shop", "catalog=b",
     "Cannot find catalog <tt>b</tt>", "Ne najdem kataloga <tt>b</tt>"},
    {"NoMessagePage", "form=order nothing.htm nothing.msg\ncatalog=a order\nindex=none\n", "shop",
     "", "Cannot open file <tt>", "Ne morem odpreti datoteke <tt>"},
};

// Test names show the case, not the bytes of the row.
void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class InsertFailureTest : public InsertTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(InsertFailureTest, ErrorPageInBothLanguages) {
  const Failure& f = GetParam();
  group(f.groupFile);
  settings("administrator=admin@example.org\n");
  for (int slovenian = 0; slovenian < 2; ++slovenian) {
    std::string query = f.query;
    if (slovenian) query += std::string(query.empty() ? "" : "&") + "language=slo,original";
    CgiResult r = submit(query, "x=1", f.group);
    EXPECT_EQ(r.status, 1);
    std::string title = slovenian ? "Napaka med izvajanjem programa" : "Runtime Error";
    EXPECT_NE(r.output.find("<h1>" + title + "</h1>\n<hr>\n<b>" +
                            (slovenian ? f.slovenian : f.english)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("<a href=\"mailto:admin@example.org\"><tt>admin@example.org</tt></a>"),
              std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Messages, InsertFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InsertTest, MalformedRecordDuringSortedMergeLeavesTheCatalog) {
  group("vars=LFCDT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders order\n");
  home.write("orders.dat", "name==a\n\nbroken line\n\n");
  CgiResult r = submit("", "name=z");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Error in data"), std::string::npos);
  EXPECT_EQ(home.read("orders.dat"), "name==a\n\nbroken line\n\n");
  EXPECT_FALSE(home.exists("orders.tmp"));
}

TEST_F(InsertTest, CatalogInAMissingDirectoryIsReportedNotThanked) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order nowhere/orders.dat\n");
  CgiResult r = submit("", "x=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Cannot open file <tt>" + home.file("nowhere/orders.dat") + "</tt>"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("Stored"), std::string::npos);
}

// ---- what a visitor can send -------------------------------------------------

TEST_F(InsertTest, AnswerPageShowsPostedMarkupAsText) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
  home.write("order.msg", "<p><var name></p><var &metacharset>\n");
  CgiResult r = submit("", "name=%3Cscript%3E%22x%22%3C%2Fscript%3E%3Cinclude+%2Fetc%2Fpasswd%3E");
  EXPECT_EQ(r.output, std::string(kHeader) +
                          "<p>&lt;script&gt;&quot;x&quot;&lt;/script&gt;&lt;include /etc/passwd&gt;</p>\n");
}

TEST_F(InsertTest, LineFeedsInNamesAndReferenceLabelsCannotForgeLines) {
  group("vars=CDT\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(submit("reflabel=R%0A9+x+0", "a%0A%26LABEL=forged").status, 0);
  std::string data = home.read("orders.dat");
  EXPECT_EQ(data, "&LABEL==1\n&FORMID==order\n&REFLABEL==R 9 x 0\na &LABEL==forged\n\n");
  EXPECT_EQ(home.read("orders.idx"), "1 order 0 R 9 x 0\n");
}

// ---- many visitors at once -----------------------------------------------------

TEST_F(InsertTest, SimultaneousSubmissionsGetDistinctLabels) {
  const int kProcesses = 50;
  group("vars=CDT\nform=order\ncatalog=orders order\n");
  std::vector<std::unique_ptr<CgiProcess>> processes;
  for (int i = 0; i < kProcesses; ++i) {
    std::string body = "n=" + std::to_string(i);
    processes.push_back(std::make_unique<CgiProcess>(
        programPath("insert"), postEnvironment(home.path(), "insert", "shop", "", body), body));
  }
  for (auto& p : processes) EXPECT_EQ(p->wait(60).status, 0);
  std::string data = home.read("orders.dat");
  for (int label = 1; label <= kProcesses; ++label)
    EXPECT_NE(data.find("&LABEL==" + std::to_string(label) + "\n"), std::string::npos) << label;
  EXPECT_EQ(home.read("shop.grp"), "vars=CDT\nform=order\ncatalog=orders order\ncount=50\n");
  std::string written = home.read("orders.idx");
  CgiResult rebuild =
      runCgi(programPath("lunoder"), getEnvironment(home.path(), "lunoder", "shop", ""));
  EXPECT_EQ(rebuild.status, 0) << rebuild.output;
  EXPECT_EQ(home.read("orders.idx"), written);
}

}  // namespace
