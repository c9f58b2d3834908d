// lunoder run as a web server runs it: the login that guards a rebuild, the
// result page, the exit status and the index files it leaves, compared byte
// for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kOrders[] =
    "&LABEL==ORD-3\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==19990315\n&TIME==1405\n"
    "name==Ana\nnote=+LABEL\nfirst\nsecond\nLABEL\n\n"
    "&LABEL==ORD-4\n&FORMID==order\n&REFLABEL==ORD 3 again\nname==Bor\n\n";
// The first record of kOrders is 120 bytes long, empty line included.
const char kOrdersPrivateIndex[] = "ORD-3 order 0\nORD-4 order 120 ORD 3 again\n";

const char kVisit[] = "&LABEL==V-1\n&FORMID==visit\n\n";

// The header of every answer once the request is admitted or refused.
const char kHeader[] =
    "Content-type: text/html\nCache-Control: no-store\nX-Frame-Options: DENY\n"
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n\n";

class Lunoder : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("orders.dat", kOrders);
    home.write("log199812.dat", kVisit);
    home.write("log199903.dat", std::string(kVisit) + kVisit);
  }
  void writeGroup(const std::string& extra = "") {
    home.write("shop.grp", "form=order\nform=visit\n" + extra +
                               "catalog=orders order\ncatalog=missing order\n"
                               "catalog=visits* visit log[YYYY][MM].dat\n");
  }
  // A rebuild as zorvik's button asks for it: the password posted, the
  // catalogs chosen in the query.
  CgiResult get(const std::string& query, const std::string& group = "shop") {
    return post("password=Secret", query, group);
  }
  CgiResult post(const std::string& body, const std::string& query = "",
                 const std::string& group = "shop") {
    return runCgi(programPath("lunoder"),
                  postEnvironment(home.path(), "lunoder", group, query, body), body);
  }
  CgiResult getWithoutPassword(const std::string& query) {
    return runCgi(programPath("lunoder"), getEnvironment(home.path(), "lunoder", "shop", query));
  }
  static std::string page(const std::string& items, const std::string& group = "shop") {
    return std::string(kHeader) +
           "<html>\n<head>\n<title>Building index successful</title>\n"
           "</head>\n<body>\n<h1>Building index successful</h1>\n"
           "Program has built new index files to the following catalogs from the group "
           "<tt><b>" +
           group + "</b></tt>:\n<ol>\n" + items + "</ol>\n</body>\n</html>\n";
  }
  static std::string item(const std::string& name) { return "<li> <tt><b>" + name + "</b></tt>\n"; }
  static std::string errorPage(const std::string& title, const std::string& message) {
    return std::string(kHeader) + "<html>\n<head>\n<title>" + title +
           "</title>\n</head>\n"
           "<body>\n<h1>" +
           title + "</h1>\n<hr>\n<b>" + message + "</b>\n<hr>\n</body>\n</html>\n";
  }
  // Names of the files in the home, one per line, sorted.
  std::string listing() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home.path()))
      names.insert(entry.path().filename().string());
    std::string out;
    for (const std::string& name : names) out += name + "\n";
    return out;
  }

  TestHome home;
};

TEST_F(Lunoder, EveryCatalogGetsItsPrivateIndex) {
  writeGroup();
  CgiResult result = get("");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output,
            page(item("orders") + item("missing") + item("visits199903") + item("visits199812")));
  EXPECT_EQ(home.read("orders.idx"), kOrdersPrivateIndex);
  EXPECT_EQ(home.read("log199903.idx"), "V-1 visit 0\nV-1 visit 28\n");
  EXPECT_EQ(home.read("log199812.idx"), "V-1 visit 0\n");
  // The login is judged under the lock beside the failed-logins file; the
  // rebuild is written to the audit log under its lock.
  EXPECT_EQ(listing(),
            "audit.lck\naudit.log\nfailed-logins.lck\nkalder.ini\nlog199812.dat\nlog199812."
            "idx\nlog199903.dat\n"
            "log199903.idx\norders.dat\norders.idx\nshop.grp\nshop.lck\n");
}

TEST_F(Lunoder, RebuildReplacesAnOldIndexWhole) {
  writeGroup();
  home.write("orders.idx", "stale entry that is much longer than the new index ought to be\n");
  EXPECT_EQ(get("catalog=orders").status, 0);
  EXPECT_EQ(home.read("orders.idx"), kOrdersPrivateIndex);
}

TEST_F(Lunoder, CommonIndexNamesEachCatalog) {
  writeGroup("index=common\n");
  CgiResult result = get("");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(home.read("shop.idx"),
            "ORD-3 order orders 0\nORD-4 order orders 120 ORD 3 again\n"
            "V-1 visit visits199903 0\nV-1 visit visits199903 28\nV-1 visit visits199812 0\n");
  EXPECT_FALSE(home.exists("orders.idx"));
}

// A rebuild of some catalogs keeps the entries of the others, in their
// order, before the rebuilt ones; the old entries of a rebuilt catalog go
// whatever the case of its name.
TEST_F(Lunoder, CommonIndexRebuiltForSomeCatalogsKeepsTheOthers) {
  writeGroup("index=common\n");
  const std::string visits = "V-2 visit visits199812 0\nV-1 visit visits199903 28\n";
  home.write("shop.idx",
             "V-2 visit visits199812 0\nOLD order orders 7\nV-1 visit visits199903 28\n"
             "OLDER order ORDERS 9\n");
  CgiResult result = get("catalog=orders");
  EXPECT_EQ(result.output, page(item("orders")));
  EXPECT_EQ(home.read("shop.idx"),
            visits + "ORD-3 order orders 0\nORD-4 order orders 120 ORD 3 again\n");
  EXPECT_EQ(get("form=visit").status, 0);
  EXPECT_EQ(home.read("shop.idx"),
            "ORD-3 order orders 0\nORD-4 order orders 120 ORD 3 again\n"
            "V-1 visit visits199903 0\nV-1 visit visits199903 28\nV-1 visit visits199812 0\n");
}

// A rebuild of the whole group keeps nothing of the old index.
TEST_F(Lunoder, CommonIndexRebuiltWholeDropsCatalogsTheGroupNoLongerHas) {
  writeGroup("index=common\n");
  home.write("shop.idx", "X-1 x gone 0\n");
  EXPECT_EQ(get("").status, 0);
  EXPECT_EQ(home.read("shop.idx"),
            "ORD-3 order orders 0\nORD-4 order orders 120 ORD 3 again\n"
            "V-1 visit visits199903 0\nV-1 visit visits199903 28\nV-1 visit visits199812 0\n");
}

TEST_F(Lunoder, FormAndCatalogParametersPostedThenQueried) {
  writeGroup();
  CgiResult result =
      post("catalog=visits199812&form=visit&password=Secret", "catalog=ORDERS&form=order");
  EXPECT_EQ(result.status, 0);
  // ORDERS is orders: built once, under the group's spelling.
  EXPECT_EQ(result.output,
            page(item("visits199903") + item("visits199812") + item("orders") + item("missing")));
}

TEST_F(Lunoder, CommonIndexEntriesCarryTheGroupsSpellingOfTheCatalog) {
  writeGroup("index=common\n");
  EXPECT_EQ(post("password=Secret", "catalog=ORDERS").status, 0);
  EXPECT_EQ(home.read("shop.idx"), "ORD-3 order orders 0\nORD-4 order orders 120 ORD 3 again\n");
}

TEST_F(Lunoder, SeriesStarAndMemberNames) {
  writeGroup();
  CgiResult result = get("catalog=visits199812&catalog=Visits*");
  EXPECT_EQ(result.output, page(item("visits199812") + item("visits199903")));
  EXPECT_TRUE(home.exists("log199903.idx"));
  EXPECT_FALSE(home.exists("orders.idx"));
}

TEST_F(Lunoder, MissingCatalogFileIsListedButGetsNoIndex) {
  writeGroup();
  CgiResult result = get("catalog=missing");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, page(item("missing")));
  EXPECT_FALSE(home.exists("missing.idx"));
}

TEST_F(Lunoder, DelimitedCatalog) {
  home.write("shop.grp", "data=;name\ncatalog=orders\n");
  home.write("orders.dat", "Q-1;order;1.2.3.4;19990315;1405;;Ana\nQ-2;order;;;;Q 1;\"B;C\"\n");
  EXPECT_EQ(get("").status, 0);
  EXPECT_EQ(home.read("orders.idx"), "Q-1 order 0\nQ-2 order 37 Q 1\n");
}

TEST_F(Lunoder, RecordsWithoutLabelOrWithOddFieldsStillGetEntries) {
  home.write("shop.grp", "catalog=orders\n");
  home.write("orders.dat",
             "&FORMID==order\n\n\n&label==a\"c\r\n&LABEL==second\n&formid==f\n\n"
             "&REFLABEL=+E\nline\nE\n&LABEL==L\n");
  EXPECT_EQ(get("").status, 0);
  EXPECT_EQ(home.read("orders.idx"), " order 0\n  16\na&ccaron; f 17\nL  57 line\n");
}

TEST_F(Lunoder, MalformedRecordIsErrorInDataAndKeepsTheOldIndex) {
  writeGroup();
  home.write("orders.dat", std::string(kOrders) + "&LABEL==ORD-5\nbroken line\n\n");
  home.write("orders.idx", "old\n");
  CgiResult result = get("catalog=orders");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Error in data"));
  EXPECT_EQ(home.read("orders.idx"), "old\n");
  EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
}

TEST_F(Lunoder, IndexThatWouldReplaceACatalogIsRefused) {
  home.write("shop.grp", "catalog=orders - orders.idx\n");
  home.write("orders.idx", kOrders);
  CgiResult result = get("");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Cannot create file <tt>" +
                                                          home.file("orders.idx") + "</tt>"));
  EXPECT_EQ(home.read("orders.idx"), kOrders);
}

TEST_F(Lunoder, CommonIndexThatWouldReplaceACatalogIsRefused) {
  home.write("shop.grp", "index=common\ncatalog=orders - shop.idx\n");
  home.write("shop.idx", kOrders);
  EXPECT_EQ(get("").status, 1);
  EXPECT_EQ(home.read("shop.idx"), kOrders);
}

TEST_F(Lunoder, GroupWithoutIndexFilesIsAWarning) {
  writeGroup("index=none\n");
  CgiResult result = get("");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output,
            errorPage("Warning", "Group of catalogs <tt>shop</tt> is without index files"));
  EXPECT_FALSE(home.exists("orders.idx"));
}

TEST_F(Lunoder, RecordsWithoutLabelOrFormIsAWarning) {
  for (const char* vars : {"vars=L\n", "vars=CF\n"}) {
    writeGroup(vars);
    CgiResult result = get("");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output,
              errorPage("Warning",
                        "There is not enought information in catalogs to build index files.<br>"
                        "Each record should contains at least data <tt>label</tt> and "
                        "<tt>formid</tt>"));
    EXPECT_FALSE(home.exists("orders.idx"));
  }
}

TEST_F(Lunoder, SlovenianPage) {
  home.write("shop.grp", "catalog=orders\n");
  CgiResult result = get("language=slo");
  EXPECT_EQ(
      result.output,
      std::string(kHeader) +
          "<html>\n<head>\n<title>Gradnja indeksov je uspela</title>\n"
          "</head>\n<body>\n<h1>Gradnja indeksov je uspela</h1>\n"
          "Program je zgradil nove indeksne datoteke naslednjim katalogom iz skupine "
          "<tt><b>shop</b></tt>:\n<ol>\n<li> <tt><b>orders</b></tt>\n</ol>\n</body>\n</html>\n");
}

TEST_F(Lunoder, MissingGroupNameIsAnError) {
  CgiResult result = get("", "");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Group of catalogs is not specified"));
}

TEST_F(Lunoder, UnknownCatalogOrFormIsAnErrorBeforeAnyIndex) {
  writeGroup();
  home.write("orders.idx", "old\n");
  CgiResult result = get("catalog=orders&catalog=nope");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Cannot find catalog <tt>nope</tt>"));
  result = get("form=nope");
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Cannot find form <tt>nope</tt>"));
  EXPECT_EQ(home.read("orders.idx"), "old\n");
}

TEST_F(Lunoder, WaitsForTheGroupLock) {
  writeGroup();
  int fd = open(home.file("shop.lck").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  CgiProcess process(programPath("lunoder"),
                     postEnvironment(home.path(), "lunoder", "shop", "", "password=Secret"),
                     "password=Secret");
  usleep(300 * 1000);
  EXPECT_FALSE(home.exists("orders.idx"));
  close(fd);
  CgiResult result = process.wait();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(home.read("orders.idx"), kOrdersPrivateIndex);
}

// ---------------------------------------------------------------- login

const char kLoginPage[] =
    "<html>\n<head>\n<title>Administrator Login</title>\n</head>\n<body>\n"
    "<form method=post action=\"/cgi-bin/lunoder.exe/shop?catalog=orders&amp;language=eng\">\n"
    "<h1>Rebuilding the index files of group <tt>shop</tt></h1>\n<hr>\n<p>\n"
    "Please, enter your password:\n<input type=password name=password>\n"
    "<input type=submit value=\"  OK  \">\n</form>\n<hr>\n</body>\n</html>\n";

TEST_F(Lunoder, WithoutTheRightPostedPasswordNothingIsRebuilt) {
  writeGroup();
  home.write("orders.idx", "old\n");
  const std::string query = "catalog=orders&language=eng";
  for (const CgiResult& refused :
       {getWithoutPassword(query), getWithoutPassword(query + "&password=Secret"),
        post("password=wrong", query), post("password=", query)}) {
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(refused.output, kHeader + std::string(kLoginPage));
  }
  EXPECT_EQ(home.read("orders.idx"), "old\n");
}

TEST_F(Lunoder, LoginPostsBackToTheRefusedRebuild) {
  writeGroup();
  BrowserForm login(getWithoutPassword("catalog=orders&language=eng").output);
  EXPECT_EQ(login.action(), "/cgi-bin/lunoder.exe/shop?catalog=orders&language=eng");
  login.set("password", "sECRET");  // ASCII case is ignored
  CgiResult result = post(login.submit("  OK  "), "catalog=orders&language=eng");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, page(item("orders")));
  EXPECT_EQ(home.read("orders.idx"), kOrdersPrivateIndex);
}

TEST_F(Lunoder, LoginPageEscapesTheQueryAndTheGroup) {
  home.write("kalder.ini",
             "[GENERAL]\npassword=Secret\n[GROUPS]\na\"<b>=" + home.file("shop.grp") + "\n");
  writeGroup();
  CgiResult result = runCgi(
      programPath("lunoder"),
      getEnvironment(home.path(), "lunoder", "a\"<b>", "catalog=%22%3E%3Cscript%3E&form=a&form=b"));
  EXPECT_NE(result.output.find("<form method=post action=\"/cgi-bin/lunoder.exe/"
                               "a%22%3Cb%3E?form=a&amp;form=b&amp;catalog=%22%3E%3Cscript%3E\">\n"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("group <tt>a&quot;&lt;b&gt;</tt>"), std::string::npos);
}

}  // namespace
