// Bodies of every content type a form or script posts, run through the built
// insert: multipart and JSON forms store exactly what the urlencoded form
// stores; other content types, files and broken bodies are refused with
// nothing stored.
#include <gtest/gtest.h>

#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] = "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";
const char kUrlencoded[] = "name=Ana+Novak&item=a&item=b&note=two%0D%0Alines&empty=";

std::string part(const std::string& disposition, const std::string& content) {
  return "--XyZ\r\nContent-Disposition: form-data; " + disposition + "\r\n\r\n" + content + "\r\n";
}

const std::string kMultipart = part("name=\"name\"", "Ana Novak") + part("name=\"item\"", "a") +
                               part("name=\"item\"", "b") + part("name=\"note\"", "two\r\nlines") +
                               part("name=\"empty\"", "") +
                               part("name=\"upload\"; filename=\"\"", "") + "--XyZ--\r\n";
const char kMultipartType[] = "multipart/form-data; boundary=XyZ";

std::string errorPage(const std::string& status, const std::string& message) {
  return "Status: " + status +
         "\nContent-type: text/html\n\n<html>\n<head>\n<title>Runtime Error</title>\n</head>\n"
         "<body>\n<h1>Runtime Error</h1>\n<hr>\n<b>" +
         message + "</b>\n<hr>\n</body>\n</html>\n";
}

class RequestBodies : public ::testing::Test {
 protected:
  // A site of its own per post, so that every store begins from the same
  // counter and the catalogs can be compared byte for byte.
  struct Site {
    Site() {
      home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
      home.write("shop.grp", kGroup);
      home.write("order.msg", "Stored <var &label>.\n");
    }
    CgiResult post(const std::string& body, const std::string& contentType,
                   const std::string& query = "formid=order") {
      Environment env = postEnvironment(home.path(), "insert", "shop", query, body);
      env["CONTENT_TYPE"] = contentType;
      if (contentType.empty()) env.erase("CONTENT_TYPE");
      return runCgi(programPath("insert"), env, body);
    }
    TestHome home;
  };

  std::string storedCatalog(const std::string& body, const std::string& contentType) {
    Site site;
    CgiResult result = site.post(body, contentType);
    EXPECT_EQ(result.status, 0) << contentType;
    EXPECT_EQ(result.output, "Content-type: text/html\n\nStored Q-42.\n") << contentType;
    return site.home.exists("orders.dat") ? site.home.read("orders.dat") : "";
  }
};

TEST_F(RequestBodies, EveryFormEncodingStoresTheSameRecord) {
  std::string urlencoded = storedCatalog(kUrlencoded, "application/x-www-form-urlencoded");
  EXPECT_EQ(urlencoded,
            "&LABEL==Q-42\n&FORMID==order\nname==Ana Novak\nitem==a\nitem==b\n"
            "note=+LABEL\ntwo\nlines\nLABEL\n\n");
  struct Row {
    std::string body;
    const char* contentType;
  } rows[] = {
      {kUrlencoded, "Application/X-WWW-Form-Urlencoded; charset=UTF-8"},
      {kUrlencoded, ""},
      {kMultipart, kMultipartType},
      {kMultipart, "multipart/form-data; boundary=\"XyZ\""},
      {R"({"name": "Ana Novak", "item": ["a", "b"], "note": "two\r\nlines", "empty": null})",
       "application/json"},
  };
  for (const Row& row : rows) EXPECT_EQ(storedCatalog(row.body, row.contentType), urlencoded);
}

// JSON keys and multipart names may hold what a urlencoded name cannot: a
// name with "=" once forged, broke or swallowed records. Each hostile post is
// followed by a plain one into a sorted catalog, which reads every record.
TEST_F(RequestBodies, FieldNamesCannotBreakOrForgeRecords) {
  const char* group =
      "vars=CDT\nform=order\ncatalog=orders order\ninsert=sort surname\nlabel=Q-\n"
      "count=41\n";
  const std::string second = "&LABEL==Q-43\n&FORMID==order\nsurname==z\n\n";
  struct Row {
    const char* what;
    std::string body;
    const char* contentType;
    std::string first;
  } rows[] = {
      {"JSON key with =", R"({"surname":"m","a=b":"v"})", "application/json",
       "&LABEL==Q-42\n&FORMID==order\nsurname==m\na_b==v\n\n"},
      {"JSON key ending in = with a forged record",
       R"({"surname":"m","n=":"x\n\n&LABEL==Q-1\n&COMPUTER==10.0.0.1"})", "application/json",
       "&LABEL==Q-42\n&FORMID==order\nsurname==m\nn_=+LABELx\nx\n\n&LABEL==Q-1\n"
       "&COMPUTER==10.0.0.1\nLABELx\n\n"},
      {"JSON key with NUL and a line feed", R"({"surname":"m","a\u0000b\nc":"v"})",
       "application/json", "&LABEL==Q-42\n&FORMID==order\nsurname==m\na_b c==v\n\n"},
      {"multipart name that opens a block",
       part("name=\"surname\"", "m") + part("name=\"q=+NEVER\"", "x") + "--XyZ--\r\n",
       kMultipartType, "&LABEL==Q-42\n&FORMID==order\nsurname==m\nq_+NEVER==x\n\n"},
      {"automatic name stays dropped", R"({"surname":"m","&LABEL":"Q-1"})", "application/json",
       "&LABEL==Q-42\n&FORMID==order\nsurname==m\n\n"},
  };
  for (const Row& row : rows) {
    Site site;
    site.home.write("shop.grp", group);
    CgiResult hostile = site.post(row.body, row.contentType);
    CgiResult plain = site.post("surname=z", "application/x-www-form-urlencoded");
    EXPECT_EQ(hostile.output, "Content-type: text/html\n\nStored Q-42.\n") << row.what;
    EXPECT_EQ(plain.output, "Content-type: text/html\n\nStored Q-43.\n") << row.what;
    EXPECT_EQ(site.home.read("orders.dat"), row.first + second) << row.what;
  }
}

TEST_F(RequestBodies, RefusedBodiesStoreNothing) {
  const std::string unsupported = errorPage(
      "415 Unsupported Media Type",
      "The form was sent in a way the site does not accept (an unsupported content type)");
  const std::string malformed =
      errorPage("400 Bad Request",
                "The form's data arrived damaged or incomplete; please send the form again");
  struct Row {
    const char* what;
    std::string body;
    const char* contentType;
    std::string page;
  } rows[] = {
      {"text/plain", "name=Ana", "text/plain", unsupported},
      {"a chosen file",
       part("name=\"name\"", "Ana") + part("name=\"upload\"; filename=\"cv.pdf\"", "%PDF") +
           "--XyZ--\r\n",
       kMultipartType,
       errorPage("415 Unsupported Media Type",
                 "This form cannot receive files: send it without the chosen file")},
      {"multipart cut short", part("name=\"name\"", "Ana"), kMultipartType, malformed},
      {"multipart without a boundary", kMultipart, "multipart/form-data", malformed},
      {"JSON that is not an object", R"(["Ana"])", "application/json", malformed},
  };
  for (const Row& row : rows) {
    Site site;
    CgiResult result = site.post(row.body, row.contentType);
    EXPECT_EQ(result.status, 1) << row.what;
    EXPECT_EQ(result.output, row.page) << row.what;
    EXPECT_FALSE(site.home.exists("orders.dat")) << row.what;
    EXPECT_EQ(site.home.read("shop.grp"), kGroup) << row.what;
  }
}

TEST_F(RequestBodies, RefusalInTheLanguageOfTheQuery) {
  Site site;
  CgiResult result = site.post("{}", "text/plain", "formid=order&language=slo,original");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Status: 415 Unsupported Media Type\n"), std::string::npos);
  EXPECT_NE(result.output.find("Obrazec je bil poslan na na&ccaron;in, ki ga stran ne sprejme"),
            std::string::npos);
}

TEST_F(RequestBodies, EveryProgramRefusesBeforeItsWork) {
  for (const char* program : {"lunoder", "zorvik", "show"}) {
    Site site;
    Environment env = postEnvironment(site.home.path(), program, "shop", "", "password=x");
    env["CONTENT_TYPE"] = "text/plain";
    CgiResult result = runCgi(programPath(program), env, "password=x");
    EXPECT_EQ(result.status, 1) << program;
    EXPECT_EQ(result.output.rfind("Status: 415 Unsupported Media Type\n", 0), 0u) << program;
    EXPECT_NE(result.output.find("an unsupported content type"), std::string::npos) << program;
    EXPECT_FALSE(site.home.exists("failed-logins.txt")) << program;
  }
}

}  // namespace
