// insert answering scripts, run as a web server runs it: JSON objects
// instead of pages (errors and refusals too), the CORS lines and preflight
// for the group's allowed origins, posts from other sites refused, and the
// redirect after a stored submission that the group's options name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] =
    "vars=CDT\nform=order\nform=visit\ncatalog=orders order,visit\nlabel=Q-\ncount=41\n";
const char kJson[] = "Content-type: application/json; charset=utf-8\n";
const char kStored[] = R"({"ok":true,"label":"Q-42","catalog":"orders"})"
                       "\n";
const char kAllowed[] = "allowedOrigins=https://a.example, http://127.0.0.1:8080\n";

// One site per request, so that every store begins from the same counter.
struct Site {
  explicit Site(const std::string& options = "", const std::string& group = kGroup) {
    home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", group);
    home.write("order.msg", "Stored <var &label>.\n");
    home.write("visit.msg", "Visit <var &label>.\n");
    if (!options.empty()) home.write("shop.grp.options", options);
  }
  // A POST of `body`; `more` adds or replaces environment variables.
  CgiResult post(const std::string& query, const Environment& more = {},
                 const std::string& body = "name=Ana") {
    Environment env = postEnvironment(home.path(), "insert", "shop", query, body);
    for (const auto& [name, value] : more) env[name] = value;
    return runCgi(programPath("insert"), env, body);
  }
  bool stored() const { return home.exists("orders.dat"); }
  TestHome home;
};

std::string jsonError(const std::string& message) {
  return "{\"ok\":false,\"error\":\"" + message + "\"}\n";
}

std::string headerOf(const CgiResult& result) {
  return result.output.substr(0, result.output.find("\n\n") + 1);
}
std::string bodyOf(const CgiResult& result) {
  size_t end = result.output.find("\n\n");
  return end == std::string::npos ? "" : result.output.substr(end + 2);
}
bool hasLine(const CgiResult& result, const std::string& line) {
  return ("\n" + headerOf(result)).find("\n" + line + "\n") != std::string::npos;
}

TEST(ScriptAnswers, JsonWhenTheRequestAsksForIt) {
  const std::string multipart =
      "--B\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\nAna\r\n--B--\r\n";
  struct Row {
    const char* what;
    std::string accept, query, contentType, body;
    std::string status;  // the Status line; empty for 200
    std::string json;    // empty: the HTML answer page
  } rows[] = {
      {"Accept", "application/json", "formid=order", "", "name=Ana", "", kStored},
      {"among others, any case, with q", "text/html;q=0.9, Application/JSON ; q=0.5",
       "formid=order", "", "name=Ana", "", kStored},
      {"format=json, multipart", "", "formid=order&format=json", "multipart/form-data; boundary=B",
       multipart, "", kStored},
      {"JSON body", "application/json", "formid=order", "application/json", R"({"name":"Ana"})", "",
       kStored},
      {"q=0 refuses it", "application/json;q=0", "formid=order", "", "name=Ana", "", ""},
      {"*/* is not JSON", "*/*", "formid=order", "", "name=Ana", "", ""},
      {"nor is a longer type", "application/jsonp", "formid=order", "", "name=Ana", "", ""},
      {"unknown form", "application/json", "formid=nope", "", "name=Ana", "400 Bad Request",
       jsonError(R"j(Cannot find form nope)j")},
      {"unknown catalog", "", "formid=order&catalog=nope&format=json", "", "name=Ana",
       "400 Bad Request", jsonError(R"j(Cannot find catalog nope)j")},
      {"the visitor's value as the page shows it", "application/json",
       "formid=%3Cb%3E%26quot%3B%22%26scaron%3B", "", "name=Ana", "400 Bad Request",
       jsonError(R"j(Cannot find form <b>\"\"š)j")},
      {"refused body type", "application/json", "formid=order", "text/plain", "name=Ana",
       "415 Unsupported Media Type",
       jsonError(
           R"j(The form was sent in a way the site does not accept (an unsupported content type))j")},
      {"broken JSON body", "application/json", "formid=order", "application/json", "[1]",
       "400 Bad Request",
       jsonError(R"j(The form's data arrived damaged or incomplete; please send the form again)j")},
  };
  for (const Row& row : rows) {
    Site site;
    Environment more{{"HTTP_ACCEPT", row.accept}};
    if (!row.contentType.empty()) more["CONTENT_TYPE"] = row.contentType;
    CgiResult result = site.post(row.query, more, row.body);
    if (row.json.empty()) {
      EXPECT_EQ(result.output, "Content-type: text/html\n\nStored Q-42.\n") << row.what;
      continue;
    }
    std::string status = row.status.empty() ? "" : "Status: " + row.status + "\n";
    EXPECT_EQ(headerOf(result), status + kJson) << row.what;
    EXPECT_EQ(bodyOf(result), row.json) << row.what;
    EXPECT_EQ(site.stored(), row.status.empty()) << row.what;
  }
}

TEST(ScriptAnswers, StartUpErrorsAndRefusalsAnswerJson) {
  Site site;
  Environment env = postEnvironment(site.home.path(), "insert", "nope", "format=json", "");
  CgiResult unknownGroup = runCgi(programPath("insert"), env);
  EXPECT_EQ(unknownGroup.output, std::string("Status: 404 Not Found\n") + kJson +
                                     "\n{\"ok\":false,\"error\":\"Unknown group of catalogs: "
                                     "nope\"}\n");
  // Over the limit: refused before the body is read.
  CgiResult tooLarge = site.post("format=json", {{"CONTENT_LENGTH", "99999999"}}, "");
  EXPECT_EQ(headerOf(tooLarge), std::string("Status: 413 Content Too Large\n") + kJson);
  EXPECT_EQ(bodyOf(tooLarge).rfind("{\"ok\":false,\"error\":\"The form sent more", 0), 0u);
  CgiResult get = site.post("format=json", {{"REQUEST_METHOD", "GET"}});
  EXPECT_EQ(headerOf(get),
            std::string("Status: 405 Method Not Allowed\n") + kJson + "Allow: POST\n");
  // A Slovenian message with its letters in UTF-8.
  CgiResult slovenian = site.post("formid=nope&language=slo&format=json");
  EXPECT_EQ(bodyOf(slovenian), "{\"ok\":false,\"error\":\"Ne najdem obrazca nope\"}\n");
  EXPECT_FALSE(site.stored());
}

// A label prefix with quotes, a backslash, control bytes and bytes that are
// not UTF-8 still gives one valid JSON string.
TEST(ScriptAnswers, HostileValuesStayValidJson) {
  Site site("",
            "form=order\ncatalog=orders order\nlabel=Q\"\\\x01\x1f\x7f\xff\xc3\x28\xc5\xa1-\n"
            "count=41\n");
  CgiResult result = site.post("format=json");
  EXPECT_EQ(bodyOf(result),
            "{\"ok\":true,\"label\":\"Q\\\"\\\\\\u0001\\u001f\\u007f\\ufffd\\ufffd(\xc5\xa1-42\","
            "\"catalog\":\"orders\"}\n");
}

TEST(ScriptAnswers, CrossOriginRules) {
  const std::string acao = "Access-Control-Allow-Origin: ";
  struct Row {
    const char* what;
    std::string options;
    Environment env;
    std::string status;  // empty: stored, 200
    bool corsLines;
  } rows[] = {
      {"allowed origin", kAllowed, {{"HTTP_ORIGIN", "https://a.example"}}, "", true},
      {"allowed origin with a port",
       kAllowed,
       {{"HTTP_ORIGIN", "http://127.0.0.1:8080"}},
       "",
       true},
      {"another site", kAllowed, {{"HTTP_ORIGIN", "https://b.example"}}, "403 Forbidden", false},
      {"a sandboxed page", kAllowed, {{"HTTP_ORIGIN", "null"}}, "403 Forbidden", false},
      {"a line break is not an origin",
       kAllowed,
       {{"HTTP_ORIGIN", "https://a.example\r\nX-Injected: 1"}},
       "403 Forbidden",
       false},
      {"no Origin", kAllowed, {}, "", false},
      {"this server",
       kAllowed,
       {{"HTTP_ORIGIN", "http://shop.example"}, {"HTTP_HOST", "Shop.Example"}},
       "",
       false},
      {"this server over HTTPS, default port",
       kAllowed,
       {{"HTTP_ORIGIN", "https://shop.example"},
        {"HTTP_HOST", "shop.example:443"},
        {"HTTPS", "on"}},
       "",
       false},
      {"this host by another scheme",
       kAllowed,
       {{"HTTP_ORIGIN", "https://shop.example"}, {"HTTP_HOST", "shop.example"}},
       "403 Forbidden",
       false},
      {"a group without options checks nothing",
       "",
       {{"HTTP_ORIGIN", "https://b.example"}},
       "",
       false},
      {"nor does one without allowed origins", "redirect=\n", {{"HTTP_ORIGIN", "null"}}, "", false},
      {"a refusal carries the lines too",
       kAllowed,
       {{"HTTP_ORIGIN", "https://a.example"}, {"CONTENT_TYPE", "text/plain"}},
       "415 Unsupported Media Type",
       true},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    Environment env = row.env;
    CgiResult result = site.post("formid=order", env);
    EXPECT_EQ(result.output.rfind("Status: ", 0) == 0
                  ? headerOf(result).substr(8, row.status.size())
                  : "",
              row.status)
        << row.what;
    EXPECT_EQ(site.stored(), row.status.empty()) << row.what;
    bool cors = hasLine(result, acao + env["HTTP_ORIGIN"]) && hasLine(result, "Vary: Origin");
    EXPECT_EQ(cors, row.corsLines) << row.what;
    EXPECT_EQ(headerOf(result).find("X-Injected"), std::string::npos) << row.what;
  }
  Site refused(kAllowed);
  CgiResult page = refused.post("formid=order&language=slo,original", {{"HTTP_ORIGIN", "null"}});
  EXPECT_NE(page.output.find("Obrazec je bil poslan s strani, ki ga ne sme po&scaron;iljati"),
            std::string::npos);
}

TEST(ScriptAnswers, Preflight) {
  struct Row {
    const char* what;
    std::string options, origin;
    bool allowed;
  } rows[] = {
      {"allowed origin", kAllowed, "https://a.example", true},
      {"another origin", kAllowed, "https://b.example", false},
      {"no allowed origins", "redirect=/x\n", "https://a.example", false},
      {"no options", "", "https://a.example", false},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    CgiResult result = site.post("", {{"REQUEST_METHOD", "OPTIONS"},
                                      {"HTTP_ORIGIN", row.origin},
                                      {"HTTP_ACCESS_CONTROL_REQUEST_METHOD", "POST"}});
    if (row.allowed) {
      EXPECT_EQ(
          result.output,
          "Status: 204 No Content\nAccess-Control-Allow-Origin: https://a.example\n"
          "Vary: Origin\nAccess-Control-Allow-Methods: POST\n"
          "Access-Control-Allow-Headers: Content-Type, Accept\nAccess-Control-Max-Age: 600\n\n")
          << row.what;
    } else {
      EXPECT_EQ(headerOf(result),
                "Status: 405 Method Not Allowed\nContent-type: text/html\nAllow: POST\n")
          << row.what;
    }
    EXPECT_FALSE(site.stored()) << row.what;
  }
}

TEST(ScriptAnswers, RedirectAfterThePost) {
  struct Row {
    const char* what;
    std::string options, query;
    std::string location;  // empty: the answer page or JSON
  } rows[] = {
      {"absolute address", "redirect=https://a.example/thanks\n", "formid=order",
       "https://a.example/thanks?label=Q-42"},
      {"a query and a fragment", "redirect=/thanks.html?x=1#top\n", "formid=order",
       "/thanks.html?x=1&label=Q-42#top"},
      {"the form's own", "redirect=/all\nREDIRECT.Order=/order\n", "formid=order",
       "/order?label=Q-42"},
      {"another form takes the group's", "redirect=/all\nredirect.order=/order\n", "formid=visit",
       "/all?label=Q-42"},
      {"a script asking for JSON gets JSON", "redirect=/all\n", "formid=order&format=json", ""},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    CgiResult result = site.post(row.query);
    EXPECT_EQ(result.status, 0) << row.what;
    EXPECT_TRUE(site.stored()) << row.what;
    if (row.location.empty()) {
      EXPECT_EQ(result.output, std::string(kJson) + "\n" + kStored) << row.what;
      continue;
    }
    EXPECT_EQ(headerOf(result),
              "Status: 303 See Other\nContent-type: text/html\nLocation: " + row.location + "\n")
        << row.what;
  }
  Site odd("redirect=/thanks\n", "form=order\ncatalog=orders order\nlabel=A&b c#\ncount=41\n");
  EXPECT_TRUE(hasLine(odd.post(""), "Location: /thanks?label=A%26b%20c%2342"));
}

TEST(ScriptAnswers, BadRedirectSettingStoresNothing) {
  struct Row {
    std::string options, setting;
  } rows[] = {
      {"redirect=//evil.example/\n", "redirect"},
      {"redirect=/\\evil.example/\n", "redirect"},
      {"redirect=javascript:alert(1)\n", "redirect"},
      {"redirect=/ok\nredirect.order=/a b\n", "redirect.order"},
      {"redirect.order=https://\n", "redirect.order"},
      {"redirect=/a\x01z\n", "redirect"},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    CgiResult result = site.post("formid=order");
    EXPECT_EQ(result.status, 1) << row.options;
    EXPECT_NE(result.output.find("The address of the setting <tt>" + row.setting + "</tt>"),
              std::string::npos)
        << row.options;
    EXPECT_EQ(headerOf(result).find("Location"), std::string::npos) << row.options;
    EXPECT_FALSE(site.stored()) << row.options;
  }
}

}  // namespace
