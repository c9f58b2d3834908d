// manual run as a web server runs it: the help pages in each language and in
// a few codings, the header text in their head, a clean 404 for every path
// that names no page and for every address a server shortens to one, the
// script policy that admits the page's own script alone, and a section for
// every help link of zorvik's pages.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kSettings[] =
    "[GENERAL]\n"
    "administrator=admin@example.com\n"
    "password=Secret\n"
    "\n[GROUPS]\n"
    "shop={HOME}shop.grp\n"
    "\n[INTERNATIONAL]\n"
    "slo=cp1250,ISO-8859-2\n"
    "\n[HEADER]\n"
    "<link rel=\"stylesheet\" href=\"/site.css\">\n";

class ManualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string settings = kSettings;
    settings.replace(settings.find("{HOME}"), 6, home.path());
    home.write("kalder.ini", settings);
    home.write("shop.grp", "description=Shop\nform=order\n");
  }

  // A GET of manual with `path` as PATH_INFO and `address` as REQUEST_URI
  // (none when empty).
  CgiResult help(const std::string& path, const std::string& query = "",
                 const std::string& address = "") const {
    Environment env = getEnvironment(home.path(), "manual", "", query);
    if (!path.empty()) env["PATH_INFO"] = path;
    if (!address.empty()) env["REQUEST_URI"] = address;
    return runCgi(programPath("manual"), env);
  }

  // zorvik's overview (group empty) or group page after the login.
  std::string adminPage(const std::string& group, const std::string& query) const {
    std::string body = "password=Secret";
    Environment env = postEnvironment(home.path(), "zorvik", group, query, body);
    env.erase("PATH_TRANSLATED");  // the links start at the CGI directory
    CgiResult result = runCgi(programPath("zorvik"), env, body);
    EXPECT_EQ(result.status, 0);
    return result.output;
  }

  TestHome home;
};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const char kNoScriptLines[] =
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n";
const std::string kNotFoundHeader =
    "Status: 404 Not Found\nContent-type: text/html\n" + std::string(kNoScriptLines) + "\n";

// The header of an answer and its body.
std::pair<std::string, std::string> splitAnswer(const std::string& output) {
  size_t end = output.find("\n\n");
  if (end == std::string::npos) return {output, ""};
  return {output.substr(0, end + 1), output.substr(end + 2)};
}

// The text between the tags of each inline script of a page.
std::vector<std::string> inlineScripts(const std::string& page) {
  std::vector<std::string> scripts;
  for (size_t at = 0; (at = page.find("<script", at)) != std::string::npos;) {
    size_t start = page.find('>', at) + 1;
    size_t end = page.find("</script>", start);
    scripts.push_back(page.substr(start, end - start));
    at = end;
  }
  return scripts;
}

// The script-src source that admits exactly `script`.
std::string hashSource(const std::string& script) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(script.data(), script.size(), digest, &length, EVP_sha256(), nullptr);
  unsigned char base64[4 * EVP_MAX_MD_SIZE];
  int written = EVP_EncodeBlock(base64, digest, static_cast<int>(length));
  return "'sha256-" + std::string(reinterpret_cast<char*>(base64), written) + "'";
}

TEST_F(ManualTest, PagesInEachLanguageAndCoding) {
  struct Case {
    const char* query;
    const char* lang;
    const char* charset;   // the meta line's, empty for none
    const char* contents;  // the link to the contents as the coding writes it
    const char* queryInLinks;
  };
  const Case cases[] = {
      {"", "en", "", "Contents of the help</a>", ""},
      {"language=eng", "en", "", "Contents of the help</a>", "?language=eng"},
      {"language=slo", "sl", "ISO-8859-2", "Vsebina pomo\xe8i</a>", "?language=slo"},
      {"language=slo,utf8,UTF-8", "sl", "UTF-8", "Vsebina pomo&#269;i</a>",
       "?language=slo,utf8,UTF-8"},
      {"language=slo,7bit", "sl", "ISO-8859-2", "Vsebina pomo~i</a>", "?language=slo,7bit"},
      {"language=slo,csz", "sl", "ISO-8859-2", "Vsebina pomoci</a>", "?language=slo,csz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    CgiResult result = help("/Pzorvik.htm", c.query);
    EXPECT_EQ(result.status, 0);
    const std::string& page = result.output;
    EXPECT_EQ(page.rfind("Content-type: text/html\n", 0), 0u);
    EXPECT_TRUE(has(page, "\n\n<html lang=\"" + std::string(c.lang)));
    EXPECT_EQ(has(page, "charset="), *c.charset != 0);
    if (*c.charset) {
      EXPECT_TRUE(has(page, std::string("charset=") + c.charset + "\">"));
    }
    EXPECT_TRUE(has(page, c.contents));
    // The help text's letters went through the same conversion.
    EXPECT_EQ(has(page, "&scaron;") || has(page, "&ccaron;"), *c.lang == 'e');
    EXPECT_TRUE(has(page, "<h2 id=\"general\">"));
    // The header text in the head; the links back carry the language.
    EXPECT_TRUE(has(page, "<link rel=\"stylesheet\" href=\"/site.css\">\n\n</head>"));
    EXPECT_TRUE(has(page, "<a href=\"/cgi-bin/zorvik.exe" + std::string(c.queryInLinks) + "\">"));
    EXPECT_TRUE(has(page, "<a href=\"Pindex.htm" + std::string(c.queryInLinks) + "\">"));
    EXPECT_TRUE(has(page, "<script>"));
  }
}

TEST_F(ManualTest, EachPageLinksToTheOtherLanguage) {
  EXPECT_TRUE(has(help("/Pstoring.htm").output, "<a href=\"Pstoring.htm?language=slo\""));
  EXPECT_TRUE(
      has(help("/Pstoring.htm", "language=slo").output, "<a href=\"Pstoring.htm?language=eng\""));
}

TEST_F(ManualTest, EveryOtherPathIsACleanNotFound) {
  const std::string paths[] = {"",
                               "/",
                               "/Pnothing.htm",
                               "/pzorvik.htm",
                               "/Pzorvik.HTM",
                               "/Pzorvik",
                               "/Pzorvik.htm/",
                               "/Pzorvik.htm/Pindex.htm",
                               "//Pzorvik.htm",
                               "/../kalder.ini",
                               "/../../forms/kalder.ini",
                               "/%2e%2e/kalder.ini",
                               "/..%2fkalder.ini",
                               "/kalder.ini",
                               "/Pzorvik.htm%00",
                               "/P" + std::string(100000, 'a') + ".htm",
                               "/<script>.htm"};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path.substr(0, 40));
    CgiResult result = help(path);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output.rfind(kNotFoundHeader, 0), 0u);
    EXPECT_TRUE(has(result.output, "<h1>Help page not found</h1>"));
    EXPECT_FALSE(has(result.output, "Secret"));
    EXPECT_FALSE(has(result.output, "<script>"));
    EXPECT_TRUE(has(result.output, "<a href=\"/cgi-bin/manual.exe/Pindex.htm\">"));
  }
}

TEST_F(ManualTest, NotFoundInTheLanguageOfTheRequest) {
  CgiResult result = help("/Pnothing.htm", "language=slo,utf8,UTF-8");
  EXPECT_EQ(result.output.rfind("Status: 404 Not Found\n", 0), 0u);
  EXPECT_TRUE(has(result.output, "<h1>Strani pomo&#269;i ni</h1>"));
  EXPECT_TRUE(has(result.output, "/cgi-bin/manual.exe/Pindex.htm?language=slo,utf8,UTF-8\""));
}

// lighttpd and nginx decode "%2F" in the path and resolve "..", so the page
// of PATH_INFO may come from an address whose last segment is anything
// ("javascript:..."); Apache would take a backslash for a slash. Only the
// raw address tells: one that a server may have shortened is no page's.
TEST_F(ManualTest, AddressesThatServersShortenAreNotFound) {
  const char* const shortened[] = {
      "/cgi-bin/manual.exe/javascript:alert(document.domain)%2F%2F%2F..%2FPzorvik.htm"
      "?language=slo",
      "/forms/manual.exe/x%2f..%2fPzorvik.htm",
      "/cgi-bin/manual.exe/x%5C..%5CPzorvik.htm",
      "/cgi-bin/manual.exe/x%5c%2e%2E%5cPzorvik.htm",
      "/cgi-bin/manual.exe/x/../Pzorvik.htm",
      "/cgi-bin/manual.exe/x/.%2e/Pzorvik.htm",
      "/cgi-bin/x/%2E%2e/manual.exe/Pzorvik.htm",
      "/cgi-bin/manual.exe/x\\..\\Pzorvik.htm",
      "/cgi-bin/manual.exe/Pzorvik.htm/..",
      "/cgi-bin/manual.exe/Pzorvik.htm?language=slo%2F",
  };
  for (const char* address : shortened) {
    SCOPED_TRACE(address);
    CgiResult result = help("/Pzorvik.htm", "language=slo", address);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output.rfind(kNotFoundHeader, 0), 0u);
    EXPECT_TRUE(has(result.output, "<h1>Strani pomo\xe8i ni</h1>"));
    EXPECT_FALSE(has(result.output, "<script"));
  }
  // The servers' rewrite of the home's path, dots that are no segment of
  // their own and a ".." in the query leave the page.
  const char* const plain[] = {
      "/cgi-bin/manual.exe/Pzorvik.htm",
      "/forms/manual.exe/Pzorvik.htm?language=slo",
      "/cgi-bin/manual.exe/Pzorvik.htm?language=slo,utf8,UTF-8",
      "/cgi-bin/.../manual.exe/Pzorvik.htm",
      "/cgi-bin/manual.exe/Pzorvik.htm?x=/../",
  };
  for (const char* address : plain) {
    SCOPED_TRACE(address);
    CgiResult result = help("/Pzorvik.htm", "", address);
    EXPECT_EQ(result.output.rfind("Content-type: text/html\n", 0), 0u);
    EXPECT_TRUE(has(result.output, "<h2 id=\"settings\">"));
  }
}

// Each page's header admits its one inline script by its digest and no
// other, whatever the address: the script moves to its own page's name.
TEST_F(ManualTest, EachPageAdmitsItsOwnScriptAlone) {
  for (const char* name : {"Pindex", "Pzorvik", "Pstoring", "Pshow"}) {
    for (const char* query : {"", "language=slo,utf8,UTF-8", "language=slo,tex"}) {
      SCOPED_TRACE(std::string(name) + "?" + query);
      auto [header, page] = splitAnswer(help("/" + std::string(name) + ".htm", query).output);
      std::vector<std::string> scripts = inlineScripts(page);
      ASSERT_EQ(scripts.size(), 1u);
      EXPECT_EQ(header,
                "Content-type: text/html\nContent-Security-Policy: frame-ancestors 'none'; "
                "script-src " +
                    hashSource(scripts[0]) + "\nX-Content-Type-Options: nosniff\n");
      EXPECT_TRUE(has(scripts[0], "var page = \"" + std::string(name) + ".htm\";"));
      EXPECT_FALSE(has(scripts[0], "location.pathname"));
    }
  }
}

// A page that ends the request early runs no script either.
TEST_F(ManualTest, ErrorPagesAdmitNoScript) {
  std::remove(home.file("kalder.ini").c_str());
  ASSERT_EQ(mkdir(home.file("kalder.ini").c_str(), 0755), 0);  // exists, cannot be read as a file
  auto [header, page] = splitAnswer(help("/Pzorvik.htm").output);
  EXPECT_TRUE(has(page, "Cannot open file"));
  EXPECT_EQ(header, "Content-type: text/html\n" + std::string(kNoScriptLines));
}

// Every help link on zorvik's overview and group page, in both languages,
// lands on a section of Pzorvik: the section by its word, and the anchor of
// the link's exact fragment on the page of the link's language.
TEST_F(ManualTest, EveryHelpLinkOfTheAdministrationPagesLands) {
  const std::regex link("href=\"/cgi-bin/manual\\.exe/Pzorvik\\.htm#([a-z0-9-]+)\\?([^\"]*)\"");
  for (const char* query : {"", "language=slo"}) {
    std::set<std::string> words;
    for (const char* group : {"", "shop"}) {
      std::string page = adminPage(group, query);
      for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it) {
        std::string word = (*it)[1], languageItem = (*it)[2];
        EXPECT_EQ(languageItem, *query ? "language=slo" : "");
        std::string help = this->help("/Pzorvik.htm", languageItem).output;
        SCOPED_TRACE(word + "?" + languageItem);
        EXPECT_TRUE(has(help, "<h2 id=\"" + word + "\">"));
        EXPECT_TRUE(has(help, "id=\"" + word + "?" + languageItem + "\""));
        // Without the page's script, the link's fragment on the page in
        // the other language still leads on to the right one.
        std::string other = this->help("/Pzorvik.htm", *query ? "" : "language=slo").output;
        EXPECT_TRUE(has(other, "id=\"" + word + "?" + languageItem + "\""));
        words.insert(word);
      }
    }
    EXPECT_EQ(words.size(), 12u) << query;
  }
}

}  // namespace
