// show run as a web server runs it: the login that a mail's link leads to,
// records found through a private index, a common index and without one,
// series members, paging and the CSV export of both record layouts, with
// pages and downloads compared byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kSettings[] =
    "[GENERAL]\n"
    "password=Secret\n"
    "\n[GROUPS]\n"
    "shop={HOME}shop.grp\n"
    "club={HOME}club.grp\n";

// Three item-form records: a multi-line note, markup and a Slovenian letter,
// a double quote. The group keeps private index files (the default).
const char kShop[] =
    "description=The <i>shop</i>\n"
    "catalog=orders order - Orders of the shop\n"
    "catalog=visits* visit log[YYYY][MM].dat Visits of -B -Y\n"
    "label=ORD-\n";

const std::string kRecord1 =
    "&LABEL==ORD-1\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==20240201\n&TIME==1505\n"
    "name==Ana\nnote=+LABEL\nfirst line\nsecond, \"quoted\" line\nLABEL\n\n";
const std::string kRecord2 =
    "&LABEL==ORD-2\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==20240202\n&TIME==0905\n"
    "name==<script>alert(1)</script>\ncity==Ko&ccaron;evje\n\n";
const std::string kRecord3 =
    "&LABEL==ORD-3\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==20240203\n&TIME==2359\n"
    "name===SUM(A1)\nqty==-5\n\n";
const std::string kOrders = kRecord1 + kRecord2 + kRecord3;
const std::string kOffset2 = std::to_string(kRecord1.size());
const std::string kOffset3 = std::to_string(kRecord1.size() + kRecord2.size());

// The index keeps its own order (sorted insertion, say): ORD-3, ORD-1, ORD-2.
const std::string kPrivateIndex =
    "ORD-3 order " + kOffset3 + "\nORD-1 order 0\nORD-2 order " + kOffset2 + "\n";

// The delimited layout: a value holding the delimiter stands in quotes with
// its quotes doubled (with ";" as the delimiter every Slovenian letter's
// entity name makes a value quoted); a value with quotes only is written as
// it is.
const char kClub[] =
    "data=;name;note\n"
    "index=none\n"
    "catalog=members member\n";
const char kMembers[] =
    "M-1;member;192.0.2.7;20240201;1505;;\"&Scaron;pela &Zcaron;agar\";\"Say \"\"hi\"\"; bye\"\n"
    "M-2;member;192.0.2.7;20240202;0905;M-1;=SUM(A1);plain \"quoted\" text\n"
    "M-3;member;;20240203;1000;;-5;first, second\n";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The header lines of every answer after the admission: records hold
// visitors' personal data, which no cache should keep, and no other site may
// frame the pages.
const char kAdminLines[] =
    "Cache-Control: no-store\nX-Frame-Options: DENY\n"
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n";

// A page as the viewer frames it, its language named in the lang attribute.
// English pages declare UTF-8, the charset of the values that forms post.
std::string page(const std::string& title, const std::string& body,
                 const std::string& type = "text/html; charset=utf-8",
                 const std::string& lang = "en") {
  return "Content-type: " + type + "\n" + kAdminLines + "\n<html lang=\"" + lang +
         "\">\n<head>\n<title>" + title + "</title>\n</head>\n<body>\n" + body +
         "</body>\n</html>\n";
}

// An error page; `header` is the whole header.
std::string errorPage(const std::string& title, const std::string& message,
                      const std::string& header = std::string("Content-type: text/html\n") +
                                                  kAdminLines + "\n") {
  return header + "<html>\n<head>\n<title>" + title + "</title>\n</head>\n<body>\n<h1>" + title +
         "</h1>\n<hr>\n<b>" + message + "</b>\n<hr>\n</body>\n</html>\n";
}
// The same met while an admitted request's page was being made.
std::string pageError(const std::string& title, const std::string& message,
                      const std::string& type = "text/html; charset=utf-8") {
  return errorPage(title, message, "Content-type: " + type + "\n" + kAdminLines + "\n");
}

// A one-button form that posts the password to the viewer; `query` as the
// page writes it (with "&amp;").
std::string button(const std::string& query, const std::string& caption,
                   const std::string& group = "shop", const std::string& password = "Secret") {
  return "<form method=post action=\"/cgi-bin/show.exe/" + group +
         (query.empty() ? "" : "?" + query) +
         "\" style=\"display:inline\"><input type=hidden name=password value=\"" + password +
         "\"><input type=submit value=\"" + caption + "\"></form>";
}

std::string loginPage(const std::string& query) {
  return page("Records Login",
              "<form method=post action=\"/cgi-bin/show.exe/shop" + query +
                  "\">\n"
                  "<h1>Records of the group of catalogs <tt>shop</tt></h1>\n"
                  "<hr>\n<p>\n<label for=password>Please, enter your password:</label>\n"
                  "<input type=password name=password id=password>\n"
                  "<input type=submit value=\"  OK  \">\n</form>\n<hr>\n");
}

// The field table of ORD-1.
const char kRecord1Table[] =
    "<table border=1 cellpadding=4>\n<tr><th>Name</th><th>Value</th></tr>\n"
    "<tr><td>Label</td><td style=\"white-space:pre-wrap\">ORD-1</td></tr>\n"
    "<tr><td>Form</td><td style=\"white-space:pre-wrap\">order</td></tr>\n"
    "<tr><td>Computer</td><td style=\"white-space:pre-wrap\">192.0.2.7</td></tr>\n"
    "<tr><td>Date</td><td style=\"white-space:pre-wrap\">20240201</td></tr>\n"
    "<tr><td>Time</td><td style=\"white-space:pre-wrap\">1505</td></tr>\n"
    "<tr><td>name</td><td style=\"white-space:pre-wrap\">Ana</td></tr>\n"
    "<tr><td>note</td><td style=\"white-space:pre-wrap\">first line\n"
    "second, &quot;quoted&quot; line</td></tr>\n"
    "</table>\n";

// The page of ORD-1 with its neighbours.
std::string record1Page(const std::string& previous, const std::string& next) {
  std::string links;
  if (!previous.empty())
    links += button("label=" + previous + "&amp;catalog=orders", "Previous record") + "\n";
  if (!next.empty()) links += button("label=" + next + "&amp;catalog=orders", "Next record") + "\n";
  return page("Record ORD-1",
              "<h1>Record <tt>ORD-1</tt></h1>\n"
              "<p>Catalog <tt>orders</tt>: Orders of the shop</p>\n" +
                  std::string(kRecord1Table) + "<div>" + links +
                  button("catalog=orders", "All records of the catalog") + "\n" +
                  button("label=ORD-1&amp;catalog=orders&amp;erase=1", "Delete this record") +
                  "</div>\n");
}

class ShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini", replaceAll(kSettings, "{HOME}", home.path()));
    home.write("shop.grp", kShop);
    home.write("orders.dat", kOrders);
    home.write("orders.idx", kPrivateIndex);
    home.write("club.grp", kClub);
    home.write("members.dat", kMembers);
  }

  CgiResult get(const std::string& query, const std::string& group = "shop") const {
    return runCgi(programPath("show"), getEnvironment(home.path(), "show", group, query));
  }
  CgiResult post(const std::string& query, const std::string& body,
                 const std::string& group = "shop") const {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", group, query, body),
                  body);
  }
  // A request of someone who has logged in.
  std::string view(const std::string& query, const std::string& group = "shop") const {
    CgiResult result = post(query, "password=Secret", group);
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
  }

  // Presses the only button of the `index`-th form of `page`, as a browser does.
  CgiResult press(const std::string& page, int index) const {
    BrowserForm form(page, index);
    const std::string program = "/cgi-bin/show.exe/";
    std::string action = form.action();
    EXPECT_EQ(action.rfind(program, 0), 0u) << action;
    action.erase(0, program.size());
    size_t mark = action.find('?');
    std::string group = action.substr(0, mark);
    std::string query = mark == std::string::npos ? "" : action.substr(mark + 1);
    return post(query, form.submit(), group);
  }

  TestHome home;
};

// ---------------------------------------------------------------- access

TEST_F(ShowTest, MailLinkWithoutPasswordGetsTheLoginPage) {
  CgiResult result = get("label=ORD-1&catalog=orders");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, loginPage("?label=ORD-1&amp;catalog=orders"));
}

TEST_F(ShowTest, LoginPostsBackToTheMailLink) {
  BrowserForm login(get("label=ORD-1&catalog=orders").output);
  EXPECT_EQ(login.action(), "/cgi-bin/show.exe/shop?label=ORD-1&catalog=orders");
  login.set("password", "sECRET");  // ASCII case is ignored
  CgiResult result = post("label=ORD-1&catalog=orders", login.submit("  OK  "));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, record1Page("ORD-3", "ORD-2"));
}

TEST_F(ShowTest, WrongMissingOrQueryPasswordIsRefused) {
  std::string login = loginPage("?catalog=orders");
  EXPECT_EQ(post("catalog=orders", "password=Secret2").output, login);
  EXPECT_EQ(post("catalog=orders", "password=").output, login);
  EXPECT_EQ(post("catalog=orders", "").output, login);
  EXPECT_EQ(get("catalog=orders&password=Secret").output,
            loginPage("?catalog=orders"));  // never from the query string
  EXPECT_EQ(post("catalog=orders&password=Secret", "").output, login);
}

TEST_F(ShowTest, RefusedCsvRequestGetsTheLoginPageNotTheData) {
  CgiResult result = get("catalog=orders&format=csv");
  EXPECT_EQ(result.output, loginPage("?catalog=orders&amp;format=csv"));
  EXPECT_EQ(result.output.find("ORD-1"), std::string::npos);
}

TEST_F(ShowTest, LoginPageKeepsTheLanguageAndEscapesTheQuery) {
  CgiResult result = get("label=%22%3E%3Cb%3E&catalog=orders&page=2x&language=slo");
  EXPECT_EQ(result.output,
            page("Prijava za pregled zapisov",
                 "<form method=post action=\"/cgi-bin/show.exe/shop?label=%22%3E%3Cb%3E&amp;"
                 "catalog=orders&amp;page=1&amp;language=slo\">\n"
                 "<h1>Zapisi skupine katalogov <tt>shop</tt></h1>\n"
                 "<hr>\n<p>\n<label for=password>Vnesite geslo:</label>\n"
                 "<input type=password name=password id=password>\n"
                 "<input type=submit value=\"  OK  \">\n</form>\n<hr>\n",
                 "text/html", "sl"));
}

// The group name is a path segment of every link: a blank in it is "%20"
// there, as "+" would name another group.
TEST_F(ShowTest, GroupNameWithABlankKeepsItInTheLinks) {
  home.write("kalder.ini",
             "[GENERAL]\npassword=Secret\n\n[GROUPS]\nmy shop=" + home.file("shop.grp") + "\n");
  BrowserForm login(get("catalog=orders", "my shop").output);
  EXPECT_EQ(login.action(), "/cgi-bin/show.exe/my%20shop?catalog=orders");
}

TEST_F(ShowTest, WithoutStoredPasswordNobodyIsAdmitted) {
  home.write("kalder.ini", "[GENERAL]\npassword=\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  for (const CgiResult& result : {get("label=ORD-1&catalog=orders&format=csv"),
                                  post("label=ORD-1&catalog=orders", "password=")}) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output.rfind("Status: 403 Forbidden\n", 0), 0u) << result.output;
    EXPECT_NE(result.output.find("zorvik.exe --set-password"), std::string::npos);
    EXPECT_EQ(result.output.find("ORD-1"), std::string::npos);
  }
}

TEST_F(ShowTest, PasswordCarriedOnExactlyInEveryForm) {
  home.write("kalder.ini",
             "[GENERAL]\npassword=a\"c&ccaron;<\n\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  std::string body = "password=" + BrowserForm::encode("a\"c&ccaron;<");
  CgiResult result = post("label=ORD-1&catalog=orders", body);
  EXPECT_NE(result.output.find("value=\"a&quot;c&amp;ccaron;&lt;\""), std::string::npos);
  // The next record's button posts the password back and is admitted.
  CgiResult next = press(result.output, 1);
  EXPECT_NE(next.output.find("<h1>Record <tt>ORD-2</tt></h1>"), std::string::npos);
}

TEST_F(ShowTest, UnknownOrMissingGroupIsAnErrorBeforeTheLogin) {
  EXPECT_EQ(get("catalog=orders", "nosuch").output,
            errorPage("Runtime Error", "Unknown group of catalogs: <tt>nosuch</tt>"));
  CgiResult none = get("catalog=orders", "");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.output, errorPage("Runtime Error", "Group of catalogs is not specified"));
}

// ---------------------------------------------------------------- records

TEST_F(ShowTest, RecordThroughPrivateIndexHasIndexNeighbours) {
  EXPECT_EQ(view("label=ORD-1&catalog=orders"), record1Page("ORD-3", "ORD-2"));
  std::string first = view("label=ORD-3&catalog=orders");
  EXPECT_EQ(first.find("Previous record"), std::string::npos);
  EXPECT_NE(first.find(button("label=ORD-1&amp;catalog=orders", "Next record")), std::string::npos);
}

TEST_F(ShowTest, RecordThroughCommonIndexSkipsOtherCatalogs) {
  home.write("shop.grp", std::string(kShop) + "index=common\n");
  home.write("shop.idx",
             "ORD-3 order orders " + kOffset3 +
                 "\nV-1 visit visits202401 0\nORD-1 order ORDERS 0\nORD-2 order orders " +
                 kOffset2 + "\n");
  std::remove(home.file("orders.idx").c_str());
  EXPECT_EQ(view("label=ORD-1&catalog=orders"), record1Page("ORD-3", "ORD-2"));
}

TEST_F(ShowTest, RecordWithoutIndexHasFileNeighbours) {
  home.write("shop.grp", std::string(kShop) + "index=none\n");
  EXPECT_EQ(view("label=ORD-1&catalog=orders"), record1Page("", "ORD-2"));
}

TEST_F(ShowTest, MissingIndexFileFallsBackToTheCatalog) {
  std::remove(home.file("orders.idx").c_str());
  EXPECT_EQ(view("label=ORD-1&catalog=orders"), record1Page("", "ORD-2"));
}

TEST_F(ShowTest, IndexOutOfStepIsNotTrusted) {
  // The entry of ORD-1 points at ORD-2: the record is found in the file.
  home.write("orders.idx", "ORD-1 order " + kOffset2 + "\nORD-2 order " + kOffset2 + "\n");
  EXPECT_EQ(view("label=ORD-1&catalog=orders"), record1Page("", "ORD-2"));
}

TEST_F(ShowTest, MarkupInAFieldIsShownEscaped) {
  std::string output = view("label=ORD-2&catalog=orders");
  EXPECT_NE(output.find("<tr><td>name</td><td style=\"white-space:pre-wrap\">"
                        "&lt;script&gt;alert(1)&lt;/script&gt;</td></tr>\n"),
            std::string::npos);
  EXPECT_EQ(output.find("<script>"), std::string::npos);
}

TEST_F(ShowTest, EntityNamesFollowThePageCoding) {
  const std::string cell = "<tr><td>city</td><td style=\"white-space:pre-wrap\">";
  EXPECT_NE(view("label=ORD-2&catalog=orders").find(cell + "Ko&ccaron;evje<"), std::string::npos);
  EXPECT_NE(view("label=ORD-2&catalog=orders&language=slo,utf8")
                .find("<tr><td>city</td><td style=\"white-space:pre-wrap\">Ko&#269;evje<"),
            std::string::npos);
  std::string latin2 = view("label=ORD-2&catalog=orders&language=slo,latin2");
  EXPECT_NE(latin2.find(cell + "Ko\xE8"
                               "evje<"),
            std::string::npos);
  EXPECT_NE(latin2.find("<tr><td>Ra\xE8unalnik</td>"), std::string::npos);
}

TEST_F(ShowTest, EnglishPagesDeclareUtf8SlovenianFollowTheSettings) {
  EXPECT_EQ(view("catalog=orders").rfind("Content-type: text/html; charset=utf-8\n", 0), 0u);
  EXPECT_EQ(view("catalog=orders&language=slo").rfind("Content-type: text/html\n", 0), 0u);
  std::string declared = view("catalog=orders&language=slo,utf8,UTF-8");
  EXPECT_EQ(declared.rfind("Content-type: text/html\n", 0), 0u);
  EXPECT_NE(
      declared.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"),
      std::string::npos);
}

TEST_F(ShowTest, UnknownLabelIsABilingualErrorPage) {
  CgiResult result = post("label=ORD-9&catalog=orders", "password=Secret");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, pageError("Runtime Error", "Record <tt>ORD-9</tt> not found"));
  EXPECT_EQ(post("label=ORD-9&catalog=orders&language=slo", "password=Secret").output,
            pageError("Napaka med izvajanjem programa", "Zapisa <tt>ORD-9</tt> ni mogoce najti",
                      "text/html"));
}

TEST_F(ShowTest, HostileLabelAndCatalogStayEscapedAndBounded) {
  EXPECT_EQ(post("label=%3Cb%3E&catalog=orders", "password=Secret").output,
            pageError("Runtime Error", "Record <tt>&lt;b&gt;</tt> not found"));
  CgiResult longLabel =
      post("label=" + std::string(300, 'x') + "&catalog=orders", "password=Secret");
  EXPECT_EQ(longLabel.output, pageError("Runtime Error", "Record <tt>" + std::string(200, 'x') +
                                                             "...</tt> not found"));
  CgiResult markup = post("catalog=%22%3E%3Cscript%3E", "password=Secret");
  EXPECT_EQ(markup.output,
            pageError("Runtime Error", "Cannot find catalog <tt>&quot;&gt;&lt;script&gt;</tt>"));
  CgiResult longCatalog = post("catalog=" + std::string(5000, 'o'), "password=Secret");
  EXPECT_EQ(longCatalog.status, 1);
  EXPECT_LT(longCatalog.output.size() - longCatalog.output.find("\n\n"), 400u);
}

TEST_F(ShowTest, NonDigitSeriesMemberNeverReachesAPath) {
  CgiResult result = post("catalog=visits..%2F..%2Fkalder", "password=Secret");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output,
            pageError("Runtime Error", "Cannot find catalog <tt>visits../../kalder</tt>"));
}

TEST_F(ShowTest, SeriesMemberRecordAndAllMembersList) {
  home.write("log202401.dat", "&LABEL==V-1\n&FORMID==visit\n&DATE==20240105\nwho==Eva\n\n");
  home.write("log202312.dat", "&LABEL==V-0\n&FORMID==visit\nwho==Ema\n\n");
  std::string record = view("label=V-1&catalog=visits202401");
  EXPECT_NE(record.find("<p>Catalog <tt>visits202401</tt>: Visits of January 2024</p>\n"),
            std::string::npos);
  EXPECT_NE(record.find("<tr><td>who</td><td style=\"white-space:pre-wrap\">Eva</td></tr>"),
            std::string::npos);
  std::string all = view("catalog=visits*");
  EXPECT_NE(all.find("<p>Records 1 to 2 of 2</p>"), std::string::npos);
  // Newest member first, a column names each record's member.
  size_t v1 = all.find("<td>visits202401</td>"), v0 = all.find("<td>visits202312</td>");
  EXPECT_NE(v1, std::string::npos);
  EXPECT_LT(v1, v0);
  EXPECT_NE(all.find(button("label=V-1&amp;catalog=visits202401", "V-1")), std::string::npos);
}

// ---------------------------------------------------------------- lists

TEST_F(ShowTest, CatalogListInIndexOrder) {
  EXPECT_EQ(
      view("catalog=orders"),
      page("Catalog orders",
           "<h1>Catalog <tt>orders</tt></h1>\n<p>Orders of the shop</p>\n"
           "<p>Records 1 to 3 of 3</p>\n"
           "<table border=1 cellpadding=4>\n<tr><th>Label</th><th>Date</th><th>Time</th>"
           "<th>Data</th></tr>\n"
           "<tr><td>" +
               button("label=ORD-3&amp;catalog=orders", "ORD-3") +
               "</td><td>Feb 3, 2024</td><td>23:59</td><td><b>name</b>: =SUM(A1)<br>"
               "<b>qty</b>: -5</td></tr>\n"
               "<tr><td>" +
               button("label=ORD-1&amp;catalog=orders", "ORD-1") +
               "</td><td>Feb 1, 2024</td><td>15:05</td><td><b>name</b>: Ana<br>"
               "<b>note</b>: first line...</td></tr>\n"
               "<tr><td>" +
               button("label=ORD-2&amp;catalog=orders", "ORD-2") +
               "</td><td>Feb 2, 2024</td><td>09:05</td><td><b>name</b>: "
               "&lt;script&gt;alert(1)&lt;/script&gt;<br><b>city</b>: Ko&ccaron;evje</td></tr>\n"
               "</table>\n"
               "<div>" +
               button("catalog=orders&amp;format=csv", "Download as CSV") + "\n" +
               button("", "All catalogs of the group") + "</div>\n"));
}

TEST_F(ShowTest, GroupPageCountsRecordsOfEveryCatalog) {
  home.write("log202401.dat", "&LABEL==V-1\n\n&LABEL==V-2\n\n\n&LABEL==V-3\n\n");
  EXPECT_EQ(
      view(""),
      page("Catalogs of the group shop",
           "<h1>Catalogs of the group <tt>shop</tt></h1>\n<p>The &lt;i&gt;shop&lt;/i&gt;</p>\n"
           "<table border=1 cellpadding=4>\n<tr><th>Catalog</th><th>Description</th>"
           "<th>Records</th><th></th></tr>\n"
           "<tr><td>" +
               button("catalog=orders", "orders") +
               "</td><td>Orders of the shop</td><td align=right>3</td><td>" +
               button("catalog=orders&amp;format=csv", "Download as CSV") +
               "</td></tr>\n"
               "<tr><td>" +
               button("catalog=visits%2A", "visits*") +
               "</td><td>all periods</td><td align=right>3</td><td>" +
               button("catalog=visits%2A&amp;format=csv", "Download as CSV") +
               "</td></tr>\n"
               "<tr><td>" +
               button("catalog=visits202401", "visits202401") +
               "</td><td>Visits of January 2024</td><td align=right>3</td><td>" +
               button("catalog=visits202401&amp;format=csv", "Download as CSV") +
               "</td></tr>\n"
               "</table>\n"));
}

class ShowPagingTest : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    std::string catalog;
    for (int i = 1; i <= 120; ++i)
      catalog +=
          "&LABEL==R-" + std::to_string(i) + "\n&DATE==20240201\nn==" + std::to_string(i) + "\n\n";
    home.write("orders.dat", catalog);
    std::remove(home.file("orders.idx").c_str());
  }
};

TEST_F(ShowPagingTest, FirstPageShowsFiftyAndThePageButtons) {
  std::string first = view("catalog=orders");
  EXPECT_NE(first.find("<p>Records 1 to 50 of 120</p>"), std::string::npos);
  EXPECT_NE(first.find("value=\"R-50\""), std::string::npos);
  EXPECT_EQ(first.find("value=\"R-51\""), std::string::npos);
  EXPECT_NE(first.find("<div>Page:\n<b>1</b>\n" + button("catalog=orders&amp;page=2", "2") + "\n" +
                       button("catalog=orders&amp;page=3", "3") + "\n" +
                       button("catalog=orders&amp;page=2", "Next page") + "\n</div>\n"),
            std::string::npos);
}

TEST_F(ShowPagingTest, PageButtonsPostThePasswordOn) {
  std::string first = view("catalog=orders");
  BrowserForm next(first, 52);  // 50 labels, then the buttons of pages 2 and 3, then "Next page"
  EXPECT_EQ(next.action(), "/cgi-bin/show.exe/shop?catalog=orders&page=2");
  CgiResult second = press(first, 52);
  EXPECT_NE(second.output.find("<p>Records 51 to 100 of 120</p>"), std::string::npos);
  EXPECT_NE(second.output.find(button("catalog=orders&amp;page=1", "Previous page")),
            std::string::npos);
}

TEST_F(ShowPagingTest, LastPageAndPagesOutOfRange) {
  EXPECT_NE(view("catalog=orders&page=3").find("<p>Records 101 to 120 of 120</p>"),
            std::string::npos);
  EXPECT_NE(view("catalog=orders&page=99").find("<p>Records 101 to 120 of 120</p>"),
            std::string::npos);
  EXPECT_NE(view("catalog=orders&page=-2").find("<p>Records 1 to 50 of 120</p>"),
            std::string::npos);
  EXPECT_NE(view("catalog=orders&page=99999999999999999999").find("<p>Records 1 to 50 of"),
            std::string::npos);
}

// ---------------------------------------------------------------- CSV

std::string csvHeader(const std::string& name) {
  return std::string("Content-type: text/csv; charset=utf-8\n") + kAdminLines +
         "Content-Disposition: attachment; filename=\"" + name + "\"\n\n\xEF\xBB\xBF";
}

TEST_F(ShowTest, CsvOfItemFormCatalog) {
  EXPECT_EQ(view("catalog=orders&format=csv"),
            csvHeader("orders.csv") +
                "&LABEL,&FORMID,&COMPUTER,&DATE,&TIME,name,qty,note,city\r\n"
                "ORD-3,order,192.0.2.7,20240203,2359,'=SUM(A1),'-5,,\r\n"
                "ORD-1,order,192.0.2.7,20240201,1505,Ana,,\"first line\n"
                "second, \"\"quoted\"\" line\",\r\n"
                "ORD-2,order,192.0.2.7,20240202,0905,<script>alert(1)</script>,,,"
                "Ko\xC4\x8D"
                "evje\r\n");
}

TEST_F(ShowTest, CsvOfDelimitedCatalog) {
  EXPECT_EQ(view("catalog=members&format=csv", "club"),
            csvHeader("members.csv") +
                "&label,&formid,&computer,&date,&time,&reflabel,name,note\r\n"
                "M-1,member,192.0.2.7,20240201,1505,,\xC5\xA0pela \xC5\xBD"
                "agar,"
                "\"Say \"\"hi\"\"; bye\"\r\n"
                "M-2,member,192.0.2.7,20240202,0905,M-1,'=SUM(A1),\"plain \"\"quoted\"\" text\"\r\n"
                "M-3,member,,20240203,1000,,'-5,\"first, second\"\r\n");
}

TEST_F(ShowTest, CsvFileNameIsSanitisedAndSeriesExportsEveryMember) {
  home.write("log202401.dat", "&LABEL==V-1\nwho==Eva\n\n");
  home.write("log202312.dat", "&LABEL==V-0\nwhere==Bled\n\n");
  EXPECT_EQ(view("catalog=visits*&format=csv"),
            csvHeader("visits.csv") + "&LABEL,who,where\r\nV-1,Eva,\r\nV-0,,Bled\r\n");
}

TEST_F(ShowTest, CsvOfEmptyCatalogIsTheMarkAlone) {
  home.write("orders.dat", "");
  home.write("orders.idx", "");
  EXPECT_EQ(view("catalog=orders&format=csv"), csvHeader("orders.csv"));
}

TEST_F(ShowTest, MalformedCatalogIsAnErrorPageNotAPartialDownload) {
  home.write("orders.dat", "&LABEL==X\nno equals sign\n\n");
  std::remove(home.file("orders.idx").c_str());
  CgiResult result = post("catalog=orders&format=csv", "password=Secret");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, errorPage("Runtime Error", "Error in data"));
}

}  // namespace
