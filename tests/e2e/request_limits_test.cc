// Requests over the decoding limits, run as a web server runs the programs:
// status 413 with an error page in the request's language, and nothing
// stored, counted or mailed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] =
    "form=order\ncatalog=orders order\nresponse=boss@example.org order.tmt\nlabel=Q-\ncount=41\n";

// `count` fields "f0=x&f1=x&...".
std::string fields(int count) {
  std::string body;
  for (int i = 0; i < count; ++i) body += "f" + std::to_string(i) + "=x&";
  return body;
}

std::string refusal(const std::string& title, const std::string& message,
                    const std::string& contact) {
  return "Status: 413 Content Too Large\nContent-type: text/html\n\n<html>\n<head>\n<title>" +
         title + "</title>\n</head>\n<body>\n<h1>" + title + "</h1>\n<hr>\n<b>" + message +
         "</b>\n<hr>\n" + contact + "</body>\n</html>\n";
}

const std::string kEnglish =
    refusal("Runtime Error",
            "The form sent more than the site accepts (too many fields, or a field too long)",
            "If problems persist, contact administrator: <a "
            "href=\"mailto:webmaster@example.org\"><tt>webmaster@example.org</tt></a>\n");

class RequestLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    // A mail server that does not exist: a mail attempt would be an error page
    // of its own.
    home.write("kalder.ini",
               "[GENERAL]\nadministrator=webmaster@example.org\nmailServer=127.0.0.1:9\n"
               "[GROUPS]\nshop=" +
                   home.file("shop.grp") + "\n");
    home.write("shop.grp", kGroup);
    home.write("order.msg", "Stored <var &label>.\n");
    home.write("order.tmt", "shop@example.org\nOrder\n<var name>\n");
  }
  CgiResult post(const std::string& program, const std::string& body,
                 const std::string& query = "formid=order") {
    return runCgi(programPath(program), postEnvironment(home.path(), program, "shop", query, body),
                  body);
  }
  void expectNothingStored(const std::string& what) {
    EXPECT_FALSE(home.exists("orders.dat")) << what;
    EXPECT_FALSE(home.exists("orders.idx")) << what;
    EXPECT_EQ(home.read("shop.grp"), kGroup) << what;
  }

  TestHome home;
};

TEST_F(RequestLimits, InsertRefusesTooManyFieldsOrTooLongANameAndStoresNothing) {
  struct Row {
    const char* what;
    std::string body;
  } rows[] = {
      {"10,001 fields", "name=Ana&" + fields(10000)},
      {"a name of 1,025 bytes", "name=Ana&" + std::string(1025, 'n') + "=x"},
      {"a value of more than 1 MiB", "name=" + std::string((1 << 20) + 1, 'a')},
  };
  for (const Row& row : rows) {
    CgiResult result = post("insert", row.body);
    EXPECT_EQ(result.status, 1) << row.what;
    EXPECT_EQ(result.output, kEnglish) << row.what;
    expectNothingStored(row.what);
  }
}

TEST_F(RequestLimits, ABodyLongerThanSixteenMebibytesIsRefusedUnread) {
  std::string body = fields(9000) + "name=" + std::string(1 << 20, 'a');
  while (body.size() <= 16u << 20)
    body += "&v" + std::to_string(body.size()) + "=" + std::string(1 << 20, 'b');
  CgiResult result = post("insert", body);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, kEnglish);
  expectNothingStored("a long body");
}

TEST_F(RequestLimits, TheMostThatIsAcceptedIsStored) {
  home.write("shop.grp", "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
  CgiResult result = post("insert", "name=Ana&" + fields(9999));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, "Content-type: text/html\n\nStored Q-42.\n");
  std::string catalog = home.read("orders.dat");
  EXPECT_EQ(catalog.substr(0, 38), "&LABEL==Q-42\n&FORMID==order\nname==Ana\n");
  EXPECT_EQ(std::count(catalog.begin(), catalog.end(), '\n'), 2 + 10000 + 1);
}

TEST_F(RequestLimits, RefusalInTheLanguageOfTheQuery) {
  CgiResult result = post("insert", fields(10001), "formid=order&language=slo,original");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(
      result.output,
      refusal(
          "Napaka med izvajanjem programa",
          "Obrazec je poslal ve&ccaron;, kot stran sprejme (preve&ccaron; polj ali predolgo polje)",
          "&Ccaron;e se problemi ponavljajo, obvestite vzd&zcaron;evalca: <a "
          "href=\"mailto:webmaster@example.org\"><tt>webmaster@example.org</tt></a>\n"));
  expectNothingStored("slo");
}

TEST_F(RequestLimits, EveryProgramRefusesBeforeItsWork) {
  // The administration programs' answers carry their header lines.
  std::string adminRefusal = kEnglish;
  adminRefusal.insert(adminRefusal.find("\n\n") + 1,
                      "Cache-Control: no-store\nX-Frame-Options: DENY\n"
                      "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
                      "X-Content-Type-Options: nosniff\n");
  for (const char* program : {"lunoder", "zorvik", "show"}) {
    CgiResult result = post(program, fields(10001), "");
    EXPECT_EQ(result.status, 1) << program;
    EXPECT_EQ(result.output, adminRefusal) << program;
    expectNothingStored(program);
  }
}

}  // namespace
