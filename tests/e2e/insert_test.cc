// insert run as a web server runs it: a POST with the group as PATH_INFO,
// a temporary home with the settings, the group file and its catalogs; the
// page, the exit status and every file compared byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
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
    home.write("kalder.ini",
               "[GENERAL]\n" + general + "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  }

  // A group with one form "order" and the given extra lines; date and time are
  // left out of records so that they compare byte for byte.
  void group(const std::string& lines) { home.write("shop.grp", lines); }

  CgiResult submit(const std::string& query, const std::string& body,
                   const std::string& groupName = "shop") {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", groupName, query, body), body);
  }

  // The same request with another method.
  CgiResult request(const std::string& method, const std::string& query, const std::string& body,
                    const std::string& groupName = "shop") {
    Environment env = postEnvironment(home.path(), "insert", groupName, query, body);
    env["REQUEST_METHOD"] = method;
    return runCgi(programPath("insert"), env, body);
  }

  // The names of the files in the home, sorted.
  std::string listing() const {
    std::set<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(home.path()))
      names.insert(item.path().filename().string());
    std::string out;
    for (const std::string& name : names) out += name + "\n";
    return out;
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
            record("Q-41", "name==Old\n") +
                record("Q-42", "name==Ana\nnote=+LABEL\ntwo\nlines\nLABEL\n"));
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
  EXPECT_EQ(home.read("orders.idx"),
            "A1 order 0\nA2 order " + std::to_string(old.size()) + " A1\n");
}

// Catalogs and indexes hold visitors' personal data: new ones are not
// readable by others, whatever the umask; an existing file keeps its mode.
TEST_F(InsertTest, NewCatalogsAndIndexesAreNotReadableByOthers) {
  group("vars=CDT\nform=order\ncatalog=orders order\ncatalog=old order\nlabel=A\ncount=1\n");
  home.write("old.dat", "");
  ASSERT_EQ(chmod(home.file("old.dat").c_str(), 0644), 0);
  mode_t before = umask(022);
  ASSERT_EQ(submit("formid=order", "name=New").status, 0);
  ASSERT_EQ(submit("formid=order&catalog=old", "name=New").status, 0);
  umask(before);
  struct Row {
    const char* name;
    mode_t mode;
  } rows[] = {{"orders.dat", 0640}, {"orders.idx", 0640}, {"old.dat", 0644}, {"old.idx", 0640}};
  for (const Row& row : rows) {
    struct stat info;
    ASSERT_EQ(stat(home.file(row.name).c_str(), &info), 0) << row.name;
    EXPECT_EQ(info.st_mode & 07777, row.mode) << row.name;
  }
}

// Only behind a trusted proxy does the record keep the forwarded client; a
// header from anyone else is the visitor's own text.
TEST_F(InsertTest, ComputerIsTheForwardedClientOnlyBehindATrustedProxy) {
  settings("trustedProxies=10.0.0.1\n");
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
  struct Row {
    const char *remote, *forwarded, *recorded;
  } rows[] = {
      {"10.0.0.1", "198.51.100.7, 203.0.113.9", "203.0.113.9"},
      {"10.0.0.2", "203.0.113.9", "10.0.0.2"},
      {"192.0.2.7", "", "192.0.2.7"},
  };
  for (const Row& row : rows) {
    home.write("orders.dat", "");
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", "a=1");
    env["REMOTE_ADDR"] = row.remote;
    env["HTTP_X_FORWARDED_FOR"] = row.forwarded;
    ASSERT_EQ(runCgi(programPath("insert"), env, "a=1").status, 0);
    EXPECT_NE(home.read("orders.dat").find(std::string("&COMPUTER==") + row.recorded + "\n"),
              std::string::npos)
        << row.remote << " " << home.read("orders.dat");
  }
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
  EXPECT_EQ(home.read("orders.idx"), "2 order " + std::to_string(a.size()) + "\n3 order " +
                                         std::to_string(offset) + "\n1 order 0\n");
}

TEST_F(InsertTest, CommonIndexPassesOtherCatalogsThrough) {
  group(
      "vars=CDT\nindex=common\ninsert=sort name\nform=order\ncatalog=orders order\n"
      "catalog=other order\ncount=1\n");
  std::string a = "&LABEL==1\n&FORMID==order\nname==z\n\n";
  home.write("orders.dat", a);
  home.write("shop.idx", "9 order other 0\n1 order orders 0\n8 order other 5\n");
  ASSERT_EQ(submit("", "name=m").status, 0);
  EXPECT_EQ(home.read("shop.idx"), "9 order other 0\n2 order orders " + std::to_string(a.size()) +
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
  EXPECT_EQ(home.read("shop.grp"),
            "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=1\n");
}

// The last counter line wins, whatever the letter case of its key, for
// reading and rewriting alike: a line added by hand after an older one
// gives every submission a label of its own.
TEST_F(InsertTest, LastCounterLineIsReadAndRewritten) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=5\nCOUNT=17\n");
  std::string labels;
  for (const char* body : {"a=1", "a=2", "a=3"}) {
    CgiResult r = submit("", body);
    ASSERT_EQ(r.status, 0) << r.output;
    labels += r.output.substr(r.output.find("Stored "));
  }
  EXPECT_EQ(labels,
            "Stored ORD-18 in orders.\nStored ORD-19 in orders.\nStored ORD-20 in orders.\n");
  EXPECT_EQ(
      home.read("shop.grp"),
      "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=5\ncount=20\n");
  EXPECT_EQ(home.read("orders.dat"),
            record("ORD-18", "a==1\n") + record("ORD-19", "a==2\n") + record("ORD-20", "a==3\n"));
}

// The counter line is not flushed on every submission: labels are reserved
// ahead in "shop.labels", and after a restart of this machine (another boot
// in the file) the counter goes on after the reserved ones, since the line
// may have lost its last writes. Another machine's reservation leaves the
// line as it is: that machine's writes reached the shared file.
TEST_F(InsertTest, LabelsAreReservedAheadAndARestartSkipsPastThem) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  struct Case {
    std::string reservation;
    std::string label;
    std::string reservedAfter;
  } cases[] = {
      {"", "ORD-101", "reserved=201 "},
      {std::string("reserved=150 host=") + host + " boot=gone\n", "ORD-151", "reserved=251 "},
      {"reserved=150 host=elsewhere boot=gone\n", "ORD-101", "reserved=250 "},
      {"reserved=70 host=elsewhere boot=gone\n", "ORD-101", "reserved=201 "},
      {"garbage\n", "ORD-101", "reserved=201 "},
  };
  for (const Case& c : cases) {
    group("vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=100\n");
    std::remove(home.file("shop.labels").c_str());
    if (!c.reservation.empty()) home.write("shop.labels", c.reservation);
    CgiResult r = submit("", "a=1");
    EXPECT_NE(r.output.find("Stored " + c.label + " in"), std::string::npos) << c.reservation;
    EXPECT_EQ(home.read("shop.labels").rfind(c.reservedAfter, 0), 0u) << c.reservation;
    // The next one is within the reservation: the file stays as it is.
    std::string reserved = home.read("shop.labels");
    submit("", "a=2");
    EXPECT_EQ(home.read("shop.labels"), reserved);
  }
}

TEST_F(InsertTest, WithoutLabelsAndIndexTheCounterIsNotSaved) {
  group("vars=LDT\nindex=none\nform=order\ncatalog=orders order\ncount=5\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  EXPECT_EQ(home.read("shop.grp"),
            "vars=LDT\nindex=none\nform=order\ncatalog=orders order\ncount=5\n");
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
  group(
      "vars=DT\nindex=none\nform=first\nform=order\ncatalog=a order\ncatalog=b first\n"
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
  group(
      "vars=DT\nindex=none\nform=order\ncatalog=log*year order log[YYYY].dat\n"
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
    EXPECT_NE(
        r.output.find("<h1>" + title + "</h1>\n<hr>\n<b>" + (slovenian ? f.slovenian : f.english)),
        std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("<a href=\"mailto:admin@example.org\"><tt>admin@example.org</tt></a>"),
              std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Messages, InsertFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The administrator's address is a settings value like any other: the
// contact line of an error page writes it escaped, in the link as in its text.
TEST_F(InsertTest, ContactLineEscapesTheAdministratorsAddress) {
  group("form=order\ncatalog=a order\n");
  settings("administrator=a\"><script>@example.org\n");
  CgiResult r = submit("formid=x", "x=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("<a href=\"mailto:a&quot;&gt;&lt;script&gt;@example.org\">"
                          "<tt>a&quot;&gt;&lt;script&gt;@example.org</tt></a>\n"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("<script>"), std::string::npos);
}

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
  EXPECT_EQ(r.output,
            std::string(kHeader) +
                "<p>&lt;script&gt;&quot;x&quot;&lt;/script&gt;&lt;include /etc/passwd&gt;</p>\n");
}

TEST_F(InsertTest, LineFeedsInNamesAndReferenceLabelsCannotForgeLines) {
  group("vars=CDT\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(submit("reflabel=R%0A9+x+0", "a%0A%26LABEL=forged").status, 0);
  std::string data = home.read("orders.dat");
  EXPECT_EQ(data, "&LABEL==1\n&FORMID==order\n&REFLABEL==R 9 x 0\na &LABEL==forged\n\n");
  EXPECT_EQ(home.read("orders.idx"), "1 order 0 R 9 x 0\n");
}

TEST_F(InsertTest, TexLettersCannotCloseAnAttribute) {
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
  home.write("order.msg", "<input name=n value=\"<var name>\" title='<var name>'>\n");
  // "c and &scaron; are letters whose tex coding holds a double quote.
  CgiResult r =
      submit("language=slo,tex", "name=%22c+%26scaron%3B+onfocus%3Dalert(1)+%26cacute%3B");
  EXPECT_EQ(r.output, std::string(kHeader) +
                          "<input name=n value=\"&quot;c &quot;s onfocus=alert(1) \\&#39;{c}\" "
                          "title='&quot;c &quot;s onfocus=alert(1) \\&#39;{c}'>\n");
}

TEST_F(InsertTest, PostedSystemNamesAreNeitherStoredNorShown) {
  settings("serverName=www.example.org\n");
  group("vars=CDT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
  home.write("order.msg",
             "<var &label> <var &LABEL> <var &catalog> <var &formid> <var &servername> "
             "<var &reflabel>|<var name>\n");
  CgiResult r = submit("reflabel=R-1",
                       "%26label=X-1&%26LABEL=Y-1&%26catalog=fake&%26formid=z&%26servername=evil"
                       "&%26reflabel=R-9&name=Ana");
  EXPECT_EQ(r.output, std::string(kHeader) + "Q-42 Q-42 orders order www.example.org R-1|Ana\n");
  EXPECT_EQ(home.read("orders.dat"), "&LABEL==Q-42\n&FORMID==order\n&REFLABEL==R-1\nname==Ana\n\n");
}

// ---- only a POST stores -------------------------------------------------------------

std::string refusal(const std::string& title, const std::string& message) {
  return "Status: 405 Method Not Allowed\nContent-type: text/html\nAllow: POST\n\n<html>\n<head>\n"
         "<title>" +
         title + "</title>\n</head>\n<body>\n<h1>" + title + "</h1>\n<hr>\n<b>" + message +
         "</b>\n<hr>\n</body>\n</html>\n";
}

TEST_F(InsertTest, EveryMethodButPostIsRefusedAndStoresNothing) {
  const std::string groupFile =
      "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";
  group(groupFile);
  for (const char* method : {"GET", "HEAD", "PUT", "DELETE", "post", "POST ", ""}) {
    CgiResult r = request(method, "formid=order", "name=Ana");
    EXPECT_EQ(r.status, 1) << method;
    EXPECT_EQ(r.output, refusal("Runtime Error", "Forms are submitted with the POST method"))
        << method;
  }
  EXPECT_EQ(listing(), "kalder.ini\norder.msg\nshop.grp\n");
  EXPECT_EQ(home.read("shop.grp"), groupFile);
  ASSERT_EQ(request("POST", "formid=order", "name=Ana").status, 0);
  EXPECT_TRUE(home.exists("orders.dat"));
}

TEST_F(InsertTest, RefusalSpeaksTheLanguageOfTheQueryWhateverTheGroup) {
  group("form=order\ncatalog=orders order\n");
  for (const char* groupName : {"shop", "nope", ""}) {
    CgiResult r = request("GET", "formid=order&language=slo,original", "", groupName);
    EXPECT_EQ(r.output, refusal("Napaka med izvajanjem programa",
                                "Obrazci se po&scaron;iljajo z metodo POST"))
        << groupName;
  }
  EXPECT_FALSE(home.exists("orders.dat"));
}

// ---- series members that exist ---------------------------------------------------

struct Period {
  const char* pattern;  // the series file name; its tag is year,month,day
  const char* posted;
  const char* file;  // the member's file, or nullptr when the period does not exist
};

const Period kPeriods[] = {
    {"m[YYYY][MM].dat", "year=1999&month=12", "m199912.dat"},
    {"m[YYYY][MM].dat", "year=1900&month=01", "m190001.dat"},
    {"m[YYYY][MM].dat", "year=2099&month=12", nullptr},  // later than next year
    {"m[YYYY][MM].dat", "year=9999&month=99", nullptr},
    {"m[YYYY][MM].dat", "year=2024&month=00", nullptr},
    {"m[YYYY][MM].dat", "year=2024&month=13", nullptr},
    {"m[YYYY][MM].dat", "year=1899&month=12", nullptr},
    {"m[YYYY][MM].dat", "year=2100&month=01", nullptr},
    {"m[YYYY][MM].dat", "year=2024&month=1", nullptr},
    {"m[YYYY][MM].dat", "year=2024&month=011", nullptr},
    {"d[YYYY][MM][DD].dat", "year=2024&month=02&day=29", "d20240229.dat"},
    {"d[YYYY][MM][DD].dat", "year=2000&month=02&day=29", "d20000229.dat"},
    {"d[YYYY][MM][DD].dat", "year=2023&month=02&day=29", nullptr},
    {"d[YYYY][MM][DD].dat", "year=1900&month=02&day=29", nullptr},
    {"d[YYYY][MM][DD].dat", "year=2024&month=04&day=31", nullptr},
    {"d[YYYY][MM][DD].dat", "year=2024&month=01&day=31", "d20240131.dat"},
    {"d[YYYY][MM][DD].dat", "year=2024&month=01&day=00", nullptr},
    {"d[YY][MM][DD].dat", "year=99&month=12&day=31", "d991231.dat"},
    {"d[YY][MM][DD].dat", "year=99&month=13&day=01", nullptr},
    {"s[YY08].dat", "year=9899", "s9899.dat"},
    {"s[YY08].dat", "year=9900", "s9900.dat"},
    {"s[YY08].dat", "year=9901", nullptr},
    {"s[YY08].dat", "year=2024", nullptr},
};

TEST_F(InsertTest, SeriesMemberMustBeARealPeriod) {
  for (const Period& period : kPeriods) {
    std::filesystem::remove(home.file(period.file ? period.file : "none"));
    group(std::string("vars=DT\nindex=none\nform=order\ncatalog=log*year,month,day order ") +
          period.pattern + "\n");
    std::string before = listing();
    CgiResult r = submit("", std::string(period.posted) + "&x=1");
    SCOPED_TRACE(std::string(period.pattern) + " " + period.posted);
    if (period.file) {
      EXPECT_EQ(r.status, 0) << r.output;
      EXPECT_TRUE(home.exists(period.file));
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.output.find("Cannot find catalog <tt>log"), std::string::npos) << r.output;
      EXPECT_EQ(listing(), before);
    }
  }
}

// A visitor's series tag can name next year at the latest: a member years
// ahead would list first for good. One that exists already still takes posts.
TEST_F(InsertTest, SeriesMemberLaterThanNextYearIsNotMade) {
  group("vars=DT\nindex=none\nform=order\ncatalog=log*year,month order m[YYYY][MM].dat\n");
  int year = 1900 + [] {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year;
  }();
  std::string next = std::to_string(year + 1), later = std::to_string(year + 2);
  EXPECT_EQ(submit("", "year=" + next + "&month=12&x=1").status, 0);
  EXPECT_TRUE(home.exists("m" + next + "12.dat"));
  CgiResult refused = submit("", "year=" + later + "&month=01&x=1");
  EXPECT_NE(refused.output.find("Cannot find catalog <tt>log" + later + "01"), std::string::npos)
      << refused.output;
  EXPECT_FALSE(home.exists("m" + later + "01.dat"));
  home.write("m" + later + "01.dat", "");
  EXPECT_EQ(submit("", "year=" + later + "&month=01&x=1").status, 0);
}

TEST_F(InsertTest, PeriodThatDoesNotExistIsNeitherNamedNorTheNewest) {
  group("vars=DT\nindex=none\nform=order\ncatalog=log* order m[YYYY][MM].dat\n");
  home.write("m999999.dat", "");
  home.write("m202401.dat", "");
  CgiResult r = submit("catalog=log999999", "x=1");
  EXPECT_NE(r.output.find("Cannot find catalog <tt>log999999</tt>"), std::string::npos);
  ASSERT_EQ(submit("catalog=log*", "x=1").status, 0);
  EXPECT_EQ(home.read("m999999.dat"), "");
  EXPECT_NE(home.read("m202401.dat"), "");
}

// ---- no write through a planted link --------------------------------------------------

TEST_F(InsertTest, LinkAtTheTemporaryNameIsNeverWrittenThrough) {
  TestHome elsewhere;
  for (const char* insertMode : {"start", "sort name"}) {
    group(std::string("vars=LFCDT\nindex=none\ninsert=") + insertMode +
          "\nform=order\ncatalog=orders order\n");
    home.write("orders.dat", "name==b\n\n");
    ASSERT_EQ(symlink(elsewhere.file("victim").c_str(), home.file("orders.tmp").c_str()), 0);
    CgiResult r = submit("", "name=a");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(home.read("orders.dat"), "name==a\n\nname==b\n\n");
    EXPECT_FALSE(pathExists(elsewhere.file("victim")));
    EXPECT_TRUE(std::filesystem::is_symlink(home.file("orders.tmp")));
    EXPECT_FALSE(std::filesystem::is_symlink(home.file("orders.dat")));
    std::filesystem::remove(home.file("orders.tmp"));
  }
}

TEST_F(InsertTest, LinkAtTheLockFileIsRefused) {
  TestHome elsewhere;
  group("vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
  ASSERT_EQ(symlink(elsewhere.file("victim").c_str(), home.file("shop.lck").c_str()), 0);
  CgiResult r = submit("", "name=a");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Cannot create file <tt>" + home.file("shop.lck") + "</tt>"),
            std::string::npos)
      << r.output;
  EXPECT_FALSE(pathExists(elsewhere.file("victim")));
  EXPECT_FALSE(home.exists("orders.dat"));
}

// A catalog file named like its own index would get the entries among its
// records: nothing is stored and the counter stays.
TEST_F(InsertTest, CatalogThatWouldBeItsOwnIndexIsRefused) {
  const std::string groupFile = "vars=DT\nform=order\ncatalog=orders order orders.idx\ncount=4\n";
  group(groupFile);
  home.write("orders.idx", record("4", "name==old\n"));
  CgiResult r = submit("", "name=a");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Cannot create file <tt>" + home.file("orders.idx") + "</tt>"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(home.read("orders.idx"), record("4", "name==old\n"));
  EXPECT_EQ(home.read("shop.grp"), groupFile);
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
  settings("password=p\n");  // a rebuild asks for the administrator's password
  CgiResult rebuild =
      runCgi(programPath("lunoder"),
             postEnvironment(home.path(), "lunoder", "shop", "", "password=p"), "password=p");
  EXPECT_EQ(rebuild.status, 0) << rebuild.output;
  EXPECT_EQ(home.read("orders.idx"), written);
}

}  // namespace
