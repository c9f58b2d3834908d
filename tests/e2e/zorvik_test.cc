// zorvik run as a web server runs it: the login, the settings overview and the
// group details page with every button, posted the way a browser posts the
// page's own form, with pages and written files compared byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

// Every page is kept out of caches (it carries the password) and out of
// other sites' frames, and runs no script (the pages hold none).
const char kHeaderLine[] =
    "Content-type: text/html\nCache-Control: no-store\nX-Frame-Options: DENY\n"
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n\n";

// kalder.ini and a group file in the form the programs write them, so that a
// save of an unchanged page must reproduce them byte for byte. Values hold a
// double quote before c, an entity name, markup and a bare ampersand.
const char kSettings[] =
    "[GENERAL]\n"
    "version=1.2\n"
    "administrator=admin@example.com\n"
    "mailServer=mail.example.com\n"
    "serverName=www.example.com\n"
    "password=Secret\n"
    "\n[GROUPS]\n"
    "shop={HOME}shop.grp\n"
    "club={HOME}club.grp\n"
    "\n[INTERNATIONAL]\n"
    "slo=cp1250,UTF-8\n"
    "\n[HEADER]\n"
    "<meta name=\"keywords\" content=\"Say \"cheese\" &ccaron;\">\n"
    "<b>bold</b> & more\n";

const char kShop[] =
    "description=Say \"cheese\" &ccaron; <b>bold</b> & more\n"
    "workdir=/data/shop/\n"
    "data=|name|price\n"
    "insert=sort price nr\n"
    "vars=LD\n"
    "index=common\n"
    "changes=private\n"
    "log=yes\n"
    "defaultform=orders\n"
    "form=orders\n"
    "form=quick - q\"c.msg\n"
    "catalog=orders -,quick - Orders of the \"shop\"\n"
    "catalog=visits*tag - log[YYYY].dat\n"
    "response=a@b.c,d@e.f tpl.tmt orders orders\n"
    "response=x@y.z\n"
    "title=My shop\n"
    "link=<a href=\"x\">&ccaron;</a>\n"
    "label=ORD-\n"
    "count=17\n";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++n;
  return n;
}

class ZorvikTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeSettings(kSettings);
    home.write("shop.grp", kShop);
  }

  std::string withHome(const std::string& text) const {
    return replaceAll(text, "{HOME}", home.path());
  }
  void writeSettings(const std::string& text) const { home.write("kalder.ini", withHome(text)); }
  std::string settingsFile() const { return home.read("kalder.ini"); }
  std::string shopFile() const { return home.read("shop.grp"); }

  // A POST to zorvik, with the group as PATH_INFO. Without PATH_TRANSLATED
  // the help links start at the CGI directory, the same in every test home.
  CgiResult post(const std::string& group, const std::string& query,
                 const std::string& body) const {
    Environment env = postEnvironment(home.path(), "zorvik", group, query, body);
    env.erase("PATH_TRANSLATED");
    return runCgi(programPath("zorvik"), env, body);
  }
  CgiResult get(const std::string& group, const std::string& query) const {
    Environment env = getEnvironment(home.path(), "zorvik", group, query);
    env.erase("PATH_TRANSLATED");
    return runCgi(programPath("zorvik"), env);
  }

  // Posts `form` as the browser does: to its action URL, with the button.
  CgiResult submit(const BrowserForm& form, const std::string& button = "") const {
    std::string action = form.action();
    const std::string program = "/cgi-bin/zorvik.exe";
    EXPECT_EQ(action.rfind(program, 0), 0u) << action;
    action.erase(0, program.size());
    std::string query;
    size_t mark = action.find('?');
    if (mark != std::string::npos) {
      query = action.substr(mark + 1);
      action.erase(mark);
    }
    std::string group = action.empty() ? "" : action.substr(1);
    return post(group, query, form.submit(button));
  }

  // The page an administrator gets after logging in (overview) or opening a group.
  std::string overview(const std::string& query = "") const {
    CgiResult result = post("", query, "password=Secret");
    EXPECT_EQ(result.status, 0);
    return result.output;
  }
  std::string groupPage(const std::string& group = "shop", const std::string& query = "") const {
    CgiResult result = post(group, query, "password=Secret");
    EXPECT_EQ(result.status, 0);
    return result.output;
  }

  // Submits the first form of `page` after `edit`, expecting a page back.
  template <typename Edit>
  std::string press(const std::string& page, const std::string& button, Edit edit) const {
    BrowserForm form(page);
    edit(form);
    CgiResult result = submit(form, button);
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
  }
  std::string press(const std::string& page, const std::string& button) const {
    return press(page, button, [](BrowserForm&) {});
  }

  TestHome home;
};

// ---------------------------------------------------------------- login

const char kLoginBody[] =
    "<html>\n"
    "<head>\n"
    "<title>Administrator Login</title>\n"
    "<meta name=\"keywords\" content=\"Say \"cheese\" &ccaron;\">\n"
    "<b>bold</b> & more\n"
    "\n"
    "</head>\n"
    "<body>\n"
    "<form method=post action=\"/cgi-bin/zorvik.exe\">\n"
    "<h1>Initialization files</h1>\n"
    "<hr>\n"
    "<p>\n"
    "Please, enter your password:\n"
    "<input type=password name=password>\n"
    "<input type=submit value=\"  OK  \">\n"
    "</form>\n"
    "<hr>\n"
    "</body>\n"
    "</html>\n";
const std::string kLoginPage = kHeaderLine + std::string(kLoginBody);

TEST_F(ZorvikTest, WrongPasswordGetsTheLoginPage) {
  CgiResult result = post("", "", "password=wrong");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.output, kLoginPage);
  EXPECT_EQ(settingsFile(), withHome(kSettings));
}

TEST_F(ZorvikTest, MissingOrEmptyPasswordGetsTheLoginPage) {
  EXPECT_EQ(post("", "", "").output, kLoginPage);
  EXPECT_EQ(post("", "", "password=").output, kLoginPage);
  EXPECT_EQ(get("", "").output, kLoginPage);
}

TEST_F(ZorvikTest, PasswordInTheQueryStringIsIgnored) {
  EXPECT_EQ(get("", "password=Secret").output, kLoginPage);
  EXPECT_EQ(post("", "password=Secret", "").output, kLoginPage);
}

TEST_F(ZorvikTest, PasswordIsComparedIgnoringAsciiCase) {
  EXPECT_NE(post("", "", "password=sECRET").output.find("<h1>Settings in initialization file"),
            std::string::npos);
  EXPECT_EQ(post("", "", "password=Secret2").output, kLoginPage);
  EXPECT_EQ(post("", "", "password=Secre").output, kLoginPage);
}

TEST_F(ZorvikTest, LoginFormLeadsToTheOverview) {
  BrowserForm login(post("shop", "", "").output);
  EXPECT_EQ(login.action(), "/cgi-bin/zorvik.exe");  // not back to the refused group
  login.set("password", "secret");
  CgiResult result = submit(login, "  OK  ");
  EXPECT_NE(result.output.find("<h1>Settings in initialization file"), std::string::npos);
}

TEST_F(ZorvikTest, SlovenianLoginPageCarriesTheLanguage) {
  writeSettings("[GENERAL]\npassword=x\n");
  CgiResult result = get("", "language=slo");
  EXPECT_EQ(result.output,
            std::string(kHeaderLine) +
                "<html>\n<head>\n<title>Prijava administratorja</title>\n</head>\n<body>\n"
                "<form method=post action=\"/cgi-bin/zorvik.exe?language=slo\">\n"
                "<h1>Pregled nastavitvenih datotek</h1>\n<hr>\n<p>\nVnesite geslo:\n"
                "<input type=password name=password>\n<input type=submit value=\"  OK  \">\n"
                "</form>\n<hr>\n</body>\n</html>\n");
}

TEST_F(ZorvikTest, UnknownGroupIsReportedBeforeThePasswordCheck) {
  CgiResult result = post("nope", "", "");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Unknown group of catalogs: <tt>nope</tt>"), std::string::npos);
}

TEST_F(ZorvikTest, WithoutStoredPasswordNobodyIsAdmitted) {
  writeSettings("[GENERAL]\npassword =Secret\n[GROUPS]\nshop={HOME}shop.grp\n");
  const std::string closed =
      "Status: 403 Forbidden\n" + std::string(kHeaderLine) +
      "<html>\n<head>\n<title>Administration closed</title>\n</head>\n<body>\n"
      "<h1>Administration closed</h1>\n<hr>\n<b>No administrator password is set, so these "
      "pages admit nobody. The administrator sets one on the server: <tt>zorvik.exe "
      "--set-password</tt> in the directory of the programs, with <tt>KALDERHOME</tt> or "
      "<tt>--home</tt> naming the home directory.</b>\n<hr>\n</body>\n</html>\n";
  for (const CgiResult& result : {get("", ""), post("", "", "password="),
                                  post("shop", "", "password=&action=Save+Changes")}) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, closed);
  }
  EXPECT_EQ(shopFile(), kShop);
}

TEST_F(ZorvikTest, OverviewSaveKeepsTheGeneralSettingsItDoesNotShow) {
  writeSettings(
      "[GENERAL]\nfutureSetting= a=b \ntrustedProxies=10.0.0.1, 10.0.0.2\npassword=Secret\n"
      "FUTURE2=x\nversion=0.9\n\n[GROUPS]\nshop={HOME}shop.grp\n");
  std::string page = overview();
  EXPECT_EQ(page.find("futureSetting"), std::string::npos);
  press(page, "Save Changes", [](BrowserForm& f) { f.set("administrator", "new@example.com"); });
  EXPECT_EQ(settingsFile(),
            withHome("[GENERAL]\nversion=1.2\nadministrator=new@example.com\npassword=Secret\n"
                     "trustedProxies=10.0.0.1, 10.0.0.2\nfutureSetting= a=b \nFUTURE2=x\n"
                     "\n[GROUPS]\nshop={HOME}shop.grp\n"));
}

TEST_F(ZorvikTest, PasswordHoldingQuoteLetterPairsSurvivesTheHiddenField) {
  writeSettings("[GENERAL]\npassword=a\"cb<&\n");
  std::string page = post("", "", "password=" + BrowserForm::encode("A\"CB<&")).output;
  EXPECT_NE(page.find("name=password value=\"a&quot;cb&lt;&amp;\""), std::string::npos) << page;
  std::string next = press(page, "Save Changes");
  EXPECT_NE(next.find("<h1>Settings in initialization file"), std::string::npos) << next;
  EXPECT_EQ(settingsFile(), "[GENERAL]\nversion=1.2\npassword=a\"cb<&\n");
}

// ---------------------------------------------------------------- overview

const std::string kOverviewPage =
    std::string(kHeaderLine) +
    "<html>\n"
    "<head>\n"
    "<title>Settings in initialization file</title>\n"
    "<meta name=\"keywords\" content=\"Say \"cheese\" &ccaron;\">\n"
    "<b>bold</b> & more\n"
    "\n"
    "</head>\n"
    "<body>\n"
    "<form method=post action=\"/cgi-bin/zorvik.exe\">\n"
    "<input type=hidden name=password value=\"Secret\">\n"
    "<h1>Settings in initialization file <tt>\"kalder.ini\"</tt></h1>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#general?\"><h2>General setttings</h2></a>\n"
    "<table>\n"
    " <tr>\n"
    "  <th align=left> Version:\n"
    "  <td> 1.2 </tr>\n"
    " <tr>\n"
    "  <th align=left> Administrator's e-mail:\n"
    "  <td> <input type=text name=administrator value=\"admin@example.com\" size=40>\n"
    " </tr>\n"
    " <tr>\n"
    "  <th align=left> Mail server:\n"
    "  <td> <input type=text name=mail value=\"mail.example.com\" size=40>\n"
    " </tr>\n"
    " <tr>\n"
    "  <th align=left> WWW server:\n"
    "  <td> <input type=text name=server value=\"www.example.com\" size=40>\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#groups?\"><h2>Groups of Catalogs</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=4> The registered groups of catalogs are:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <th align=left> Group name:\n"
    "  <th align=left> Description file name:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <input type=radio name=mark value=\"shop\">\n"
    "  <td> <input type=text name=name_shop value=\"shop\" size=20>\n"
    "  <td> <input type=text name=desc_shop value=\"{HOME}shop.grp\" size=50>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <input type=radio name=mark value=\"club\">\n"
    "  <td> <input type=text name=name_club value=\"club\" size=20>\n"
    "  <td> <input type=text name=desc_club value=\"{HOME}club.grp\" size=50>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <input type=radio name=mark value=\"\">\n"
    "  <td> <input type=text name=newname size=20>\n"
    "  <td> <input type=text name=newvalue size=50>\n"
    "  <td> <input type=submit name=action value=\"Add\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=4>\n"
    "   You can select any group from the previous list by clicking\n"
    "   the small circle in front of its name.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=4>\n"
    "   Detailed settings about selected group can be examined by clicking the button\n"
    "   <input type=submit name=action value=\"Show Details\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=4>\n"
    "   Selected group can be removed from the list by clicking the button\n"
    "   <input type=submit name=action value=\"Remove\">\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#international?\"><h2>International "
    "settings</h2></a>\n"
    "<b>Language:</b>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <input type=radio name=lang value=eng checked>\n"
    "  <td> english\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <input type=radio name=lang value=slo>\n"
    "  <td> slovenski\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <b>Kodiranje:</b>\n"
    "   <input type=radio name=code_slo value=csz> <tt>csz</tt>\n"
    "   <input type=radio name=code_slo value=7bit> <tt>7bit</tt>\n"
    "   <input type=radio name=code_slo value=latin2> <tt>latin2</tt>\n"
    "   <input type=radio name=code_slo value=cp852> <tt>cp852</tt>\n"
    "   <input type=radio name=code_slo value=cp1250 checked> <tt>cp1250</tt>\n"
    "   <input type=radio name=code_slo value=tex> <tt>tex</tt>\n"
    "   <input type=radio name=code_slo value=utf8> <tt>utf8</tt>\n"
    "   <input type=radio name=code_slo value=original> <tt>original</tt>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <b>Nabor znakov:</b>\n"
    "   <input type=radio name=cset_slo value=-> <tt>nastavljena vrednost</tt>\n"
    "   <input type=radio name=cset_slo value=ISO-8859-1> <tt>ISO-8859-1</tt>\n"
    "   <input type=radio name=cset_slo value=ISO-8859-2> <tt>ISO-8859-2</tt>\n"
    "   <input type=radio name=cset_slo value=UTF-8 checked> <tt>UTF-8</tt>\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#header?\"><h2>Data in document headers</h2></a>\n"
    "<textarea name=header cols=90 rows=6>\n"
    "&lt;meta name=&quot;keywords&quot; content=&quot;Say &quot;cheese&quot; "
    "&amp;ccaron;&quot;&gt;\n"
    "&lt;b&gt;bold&lt;/b&gt; &amp; more\n"
    "</textarea>\n"
    "<hr>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "   If you change any data in the form, press the button\n"
    "   <input type=submit name=action value=\"Save Changes\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "   If you want to read data from the file, press the button\n"
    "   <input type=submit name=action value=\"Reload Data\">\n"
    " </tr>\n"
    "</table>\n"
    "</form>\n"
    "</body>\n"
    "</html>\n";

TEST_F(ZorvikTest, OverviewShowsEverySetting) { EXPECT_EQ(overview(), withHome(kOverviewPage)); }

TEST_F(ZorvikTest, OverviewSaveOfAnUnchangedPageRewritesTheFileByteForByte) {
  std::string page = press(overview(), "Save Changes");
  EXPECT_EQ(settingsFile(), withHome(kSettings));
  EXPECT_EQ(page, withHome(kOverviewPage));
}

TEST_F(ZorvikTest, OverviewSaveTakesEditedValues) {
  press(overview(), "Save Changes", [](BrowserForm& f) {
    f.set("administrator", "");
    f.set("mail", "smtp \"c.example");
    f.set("header", "line 1\nline \"s 2\n");
    f.check("lang", "slo");
    f.check("code_slo", "utf8");
    f.check("cset_slo", "-");
  });
  EXPECT_EQ(settingsFile(), withHome("[GENERAL]\nversion=1.2\nmailServer=smtp \"c.example\n"
                                     "serverName=www.example.com\npassword=Secret\n"
                                     "\n[GROUPS]\nshop={HOME}shop.grp\nclub={HOME}club.grp\n"
                                     "\n[INTERNATIONAL]\nlanguage=slo\nslo=utf8\n"
                                     "\n[HEADER]\nline 1\nline \"s 2\n"));
}

TEST_F(ZorvikTest, OverviewAddPutsTheGroupAtTheEndOrBeforeTheMarkedOne) {
  std::string page = press(overview(), "Add", [](BrowserForm& f) {
    f.set("newname", "last");
    f.set("newvalue", "/x/last.grp");
  });
  press(page, "Add", [](BrowserForm& f) {
    f.check("mark", "club");
    f.set("newname", "middle");
    f.set("newvalue", "/x/middle.grp");
  });
  EXPECT_NE(settingsFile().find(withHome("[GROUPS]\nshop={HOME}shop.grp\nmiddle=/x/middle.grp\n"
                                         "club={HOME}club.grp\nlast=/x/last.grp\n")),
            std::string::npos)
      << settingsFile();
}

TEST_F(ZorvikTest, OverviewAddWithoutNameOrFileAddsNothingButSaves) {
  press(overview(), "Add", [](BrowserForm& f) {
    f.set("newname", "lonely");
    f.set("server", "www2");
  });
  EXPECT_EQ(settingsFile().find("lonely"), std::string::npos);
  EXPECT_NE(settingsFile().find("serverName=www2\n"), std::string::npos);
}

TEST_F(ZorvikTest, OverviewRemoveDropsTheMarkedGroupOnly) {
  std::string page = press(overview(), "Remove");  // nothing marked
  EXPECT_EQ(settingsFile(), withHome(kSettings));
  press(page, "Remove", [](BrowserForm& f) { f.check("mark", "shop"); });
  EXPECT_NE(settingsFile().find(withHome("[GROUPS]\nclub={HOME}club.grp\n\n")), std::string::npos);
}

TEST_F(ZorvikTest, OverviewMarkFollowsARenamedGroup) {
  std::string page = press(overview(), "Save Changes", [](BrowserForm& f) {
    f.check("mark", "club");
    f.set("name_club", "Club \"1\" & co");
  });
  EXPECT_NE(settingsFile().find(withHome("Club \"1\" & co={HOME}club.grp\n")), std::string::npos);
  EXPECT_NE(page.find("  <td> <input type=radio name=mark value=\"Club &quot;1&quot; &amp; co\" "
                      "checked>\n"
                      "  <td> <input type=text name=\"name_Club &quot;1&quot; &amp; co\" "
                      "value=\"Club &quot;1&quot; &amp; co\" size=20>\n"),
            std::string::npos)
      << page;
  // The name with blanks travels in a quoted field name and keeps its file.
  press(page, "Save Changes");
  EXPECT_NE(settingsFile().find(withHome("Club \"1\" & co={HOME}club.grp\n")), std::string::npos);
}

TEST_F(ZorvikTest, OverviewEmptiedNameRemovesTheGroup) {
  press(overview(), "Save Changes", [](BrowserForm& f) { f.set("name_shop", ""); });
  EXPECT_NE(settingsFile().find(withHome("[GROUPS]\nclub={HOME}club.grp\n\n")), std::string::npos);
}

TEST_F(ZorvikTest, OverviewReloadDataDiscardsEdits) {
  std::string page = press(overview(), "Reload Data", [](BrowserForm& f) {
    f.set("administrator", "changed");
    f.set("name_shop", "");
  });
  EXPECT_EQ(settingsFile(), withHome(kSettings));
  EXPECT_EQ(page, withHome(kOverviewPage));
}

TEST_F(ZorvikTest, OverviewButtonsInSlovenian) {
  std::string page = overview("language=slo");
  for (const char* button :
       {"Dodaj", "Odstrani", "Podrobnosti", "Shrani spremembe", "Preberi podatke"})
    EXPECT_NE(page.find(std::string("<input type=submit name=action value=\"") + button + "\">"),
              std::string::npos)
        << button;
  press(page, "Dodaj", [](BrowserForm& f) {
    f.set("newname", "nova");
    f.set("newvalue", "/x/nova.grp");
  });
  EXPECT_NE(settingsFile().find("nova=/x/nova.grp\n"), std::string::npos);
  // An English button text is no button on a Slovenian page: it only saves.
  CgiResult english =
      post("", "language=slo", BrowserForm(page).submit() + "&action=Remove&mark=shop");
  EXPECT_EQ(english.status, 0);
  EXPECT_NE(settingsFile().find("shop="), std::string::npos);
}

TEST_F(ZorvikTest, OverviewAddStillWorksWhenTheDefaultLanguageChanges) {
  press(overview(), "Add", [](BrowserForm& f) {
    f.check("lang", "slo");
    f.set("newname", "fresh");
    f.set("newvalue", "/x/fresh.grp");
  });
  EXPECT_NE(settingsFile().find("fresh=/x/fresh.grp\n"), std::string::npos);
  EXPECT_NE(settingsFile().find("language=slo\n"), std::string::npos);
}

TEST_F(ZorvikTest, OverviewCarriesTheLanguageInEveryActionAndLink) {
  std::string page = overview("language=slo,cp1250,UTF-8");
  EXPECT_NE(
      page.find("<form method=post action=\"/cgi-bin/zorvik.exe?language=slo,cp1250,UTF-8\">"),
      std::string::npos);
  EXPECT_EQ(occurrences(page, "<a href="), 4u);
  EXPECT_EQ(occurrences(page, "?language=slo,cp1250,UTF-8\"><h2>"), 4u);
  EXPECT_NE(page.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"),
            std::string::npos);
  // A hostile language parameter cannot leave the attribute.
  std::string hostile = overview("language=slo%22%3E%3Cscript%3E");
  EXPECT_EQ(hostile.find("<script>"), std::string::npos);
  EXPECT_NE(hostile.find("action=\"/cgi-bin/zorvik.exe?language=slo%22%3E%3Cscript%3E\""),
            std::string::npos);
}

// ---------------------------------------------------------------- group page

const std::string kGroupPage =
    std::string(kHeaderLine) +
    "<html>\n"
    "<head>\n"
    "<title>Details about group of catalogs</title>\n"
    "<meta name=\"keywords\" content=\"Say \"cheese\" &ccaron;\">\n"
    "<b>bold</b> & more\n"
    "\n"
    "</head>\n"
    "<body>\n"
    "<form method=post action=\"/cgi-bin/zorvik.exe/shop\">\n"
    "<input type=hidden name=password value=\"Secret\">\n"
    "<h1>Details about group of catalogs <tt>\"shop\"</tt></h1>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#settings?\"><h2>General setttings</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>1.</b></font>\n"
    "  <td> Group name:\n"
    "  <td> <tt><b>shop</b></tt>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>2.</b></font>\n"
    "  <td> Initialization file name:\n"
    "  <td> <tt><b>{HOME}shop.grp</b></tt>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>3.</b></font>\n"
    "  <td> Short description:\n"
    "  <td> <input type=text name=description value=\"Say &quot;cheese&quot; &amp;ccaron; "
    "&lt;b&gt;bold&lt;/b&gt; &amp; more\" size=60>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>4.</b></font>\n"
    "  <td> Working directory:\n"
    "  <td> <input type=text name=workdir value=\"/data/shop/\" size=60>\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#forms?\"><h2>Forms</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>5.</b></font>\n"
    "  <td> Default form name:\n"
    "  <td> <input type=text name=defaultform value=\"orders\">\n"
    " </tr>\n"
    "</table>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>6.</b></font>\n"
    "  <td colspan=6> List of registered forms:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <th align=left> Form name:\n"
    "  <th align=left> Form file:\n"
    "  <th align=left> Message file:\n"
    "  <th align=left> Template file:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markform value=\"orders\">\n"
    "  <td> <input type=text name=\"fname_orders\" value=\"orders\">\n"
    "  <td> <input type=text name=\"fhtm_orders\" value=\"orders.htm\">\n"
    "  <td> <input type=text name=\"fmsg_orders\" value=\"orders.msg\">\n"
    "  <td> <input type=text name=\"ftmt_orders\" value=\"orders.tmt\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markform value=\"quick\">\n"
    "  <td> <input type=text name=\"fname_quick\" value=\"quick\">\n"
    "  <td> <input type=text name=\"fhtm_quick\" value=\"quick.htm\">\n"
    "  <td> <input type=text name=\"fmsg_quick\" value=\"q&quot;c.msg\">\n"
    "  <td> <input type=text name=\"ftmt_quick\" value=\"quick.tmt\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markform value=\"\">\n"
    "  <td> <input type=text name=fnewname>\n"
    "  <td> <input type=text name=fnewhtm>\n"
    "  <td> <input type=text name=fnewmsg>\n"
    "  <td> <input type=text name=fnewtmt>\n"
    "  <td> <input type=submit name=action value=\"Add Form\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   You can select any form from the previous list by\n"
    "   clicking the small circle in front of its name.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   Selected form can be removed from the list by clicking the button\n"
    "   <input type=submit name=action value=\"Remove Form\">\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#catalogs?\"><h2>Catalogs</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>7.</b></font>\n"
    "  <td colspan=6> List of registered catalogs:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <th align=left> Catalog name:\n"
    "  <th align=left> Forms:\n"
    "  <th align=left> Catalog file:\n"
    "  <th align=left> Short description:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markcatalog value=\"orders\">\n"
    "  <td> <input type=text name=\"bname_orders\" value=\"orders\">\n"
    "  <td> <input type=text name=\"bform_orders\" value=\"orders quick\">\n"
    "  <td> <input type=text name=\"bfile_orders\" value=\"orders.dat\">\n"
    "  <td> <input type=text name=\"bdesc_orders\" value=\"Orders of the &quot;shop&quot;\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markcatalog value=\"visits\">\n"
    "  <td> <input type=text name=\"bname_visits\" value=\"visits*tag\">\n"
    "  <td> <input type=text name=\"bform_visits\" value=\"visits\">\n"
    "  <td> <input type=text name=\"bfile_visits\" value=\"log[YYYY].dat\">\n"
    "  <td> <input type=text name=\"bdesc_visits\" value=\"\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markcatalog value=\"\">\n"
    "  <td> <input type=text name=bnewname>\n"
    "  <td> <input type=text name=bnewform>\n"
    "  <td> <input type=text name=bnewfile>\n"
    "  <td> <input type=text name=bnewdesc>\n"
    "  <td> <input type=submit name=action value=\"Add Catalog\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   You can select any catalog from the previous list by\n"
    "   clicking the small circle in front of its name.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   Selected catalog can be removed from the list by clicking the button\n"
    "   <input type=submit name=action value=\"Remove Catalog\">\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#responses?\"><h2>Responses</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>8.</b></font>\n"
    "  <td colspan=6> List of responses:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <th align=left> Recipients:\n"
    "  <th align=left> Template:\n"
    "  <th align=left> Forms:\n"
    "  <th align=left> Catalogs:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markresponse value=\"1\">\n"
    "  <td> <input type=text name=\"raddr_1\" value=\"a@b.c d@e.f\">\n"
    "  <td> <input type=text name=\"rtmt_1\" value=\"tpl.tmt\">\n"
    "  <td> <input type=text name=\"rform_1\" value=\"orders\">\n"
    "  <td> <input type=text name=\"rcat_1\" value=\"orders\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markresponse value=\"2\">\n"
    "  <td> <input type=text name=\"raddr_2\" value=\"x@y.z\">\n"
    "  <td> <input type=text name=\"rtmt_2\" value=\"\">\n"
    "  <td> <input type=text name=\"rform_2\" value=\"\">\n"
    "  <td> <input type=text name=\"rcat_2\" value=\"\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markresponse value=\"\">\n"
    "  <td> <input type=text name=rnewaddr>\n"
    "  <td> <input type=text name=rnewtmt>\n"
    "  <td> <input type=text name=rnewform>\n"
    "  <td> <input type=text name=rnewcat>\n"
    "  <td> <input type=submit name=action value=\"Add Response\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   You can select any response from the previous list by\n"
    "   clicking the small circle in front of its description.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=6>\n"
    "   Selected response can be removed from the list by clicking the button\n"
    "   <input type=submit name=action value=\"Remove Response\">\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#insert?\"><h2>Adding data to the catalog</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>9.</b></font>\n"
    "  <td colspan=2> Record description in catalog:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=data value=itemize>\n"
    "  <td> Data are written in one line each in format <tt>name==value</tt>, records are "
    "separated with an empty line.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=data value=delimiter checked>\n"
    "  <td> All data are written in one line, separated with character <input type=text name=delim "
    "value=\"|\" size=2 maxlength=1>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <td> List of keys: <input type=text name=fields value=\"name price\" size=60>\n"
    " </tr>\n"
    "</table>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>10.</b></font>\n"
    "  <td colspan=2> Method for adding new record in a catalog:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=insert value=start>\n"
    "  <td> Add at beginning of a catalog\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=insert value=end>\n"
    "  <td> Add at end of a catalog\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=insert value=sort checked>\n"
    "  <td> Add in such a way the records will be sorted with regard to data named \n"
    "       <input type=text name=sortfield value=\"price\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <td> This data is\n"
    "   <input type=radio name=sorttype value=alpha> alphanumerical\n"
    "   <input type=radio name=sorttype value=num checked> numerical\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <td> Sort order is\n"
    "   <input type=radio name=sortorder value=ascend> ascending\n"
    "   <input type=radio name=sortorder value=descend checked> descending\n"
    " </tr>\n"
    "</table>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>11.</b></font>\n"
    "  <td> Which of the following data will <tt><b><u>not</u></b></tt> be added into catalog:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=addlabel value=yes checked>\n"
    "       <tt>LABEL</tt> - Label\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=addformid value=yes>\n"
    "       <tt>FORMID</tt> - Form name\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=addcomputer value=yes>\n"
    "       <tt>COMPUTER</tt> - Computer number\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=adddate value=yes checked>\n"
    "       <tt>DATE</tt> - Date\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=addtime value=yes>\n"
    "       <tt>TIME</tt> - Time\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=checkbox name=addreflabel value=yes>\n"
    "       <tt>REFLABEL</tt> - Reference label\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#files?\"><h2>Auxiliary files</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>12.</b></font>\n"
    "  <td colspan=2> Index file:\n"
    "   (<input type=submit form=rebuild value=\"rebuild\">)\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=index value=none>\n"
    "  <td> Without index file.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=index value=private>\n"
    "  <td> Each catalog in group has its own index file.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=index value=common checked>\n"
    "  <td> The entire group of catalogs has common index file.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>13.</b></font>\n"
    "  <td colspan=2> Log file:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=log value=no>\n"
    "  <td> Disable logging.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=log value=yes checked>\n"
    "  <td> Enable logging.\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#labels?\"><h2>Labels</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>14.</b></font>\n"
    "  <td> All labels start with:\n"
    "  <td> <input type=text name=label value=\"ORD-\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>15.</b></font>\n"
    "  <td> Label counter:\n"
    "  <td> <input type=text name=count value=\"17\">\n"
    "  <input type=hidden name=countshown value=\"17\">\n"
    " </tr>\n"
    "</table>\n"
    "\n"
    "<hr>\n"
    "<a href=\"/cgi-bin/manual.exe/Pzorvik.htm#vars?\"><h2>Other variables</h2></a>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td> <font size=4><b>16.</b></font>\n"
    "  <td colspan=4> List of other user defined variables:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td colspan=2>\n"
    "  <th align=left> Name:\n"
    "  <th align=left> Value:\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markvar value=\"title\">\n"
    "  <td> <input type=text name=\"vname_title\" value=\"title\">\n"
    "  <td> <input type=text name=\"vvalue_title\" value=\"My shop\" size=50>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markvar value=\"link\">\n"
    "  <td> <input type=text name=\"vname_link\" value=\"link\">\n"
    "  <td> <input type=text name=\"vvalue_link\" value=\"&lt;a "
    "href=&quot;x&quot;&gt;&amp;ccaron;&lt;/a&gt;\" size=50>\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td> <input type=radio name=markvar value=\"\">\n"
    "  <td> <input type=text name=vnewname>\n"
    "  <td> <input type=text name=vnewvalue size=50>\n"
    "  <td> <input type=submit name=action value=\"Add Variable\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=4>\n"
    "   You can select any variable from the previous list by\n"
    "   clicking the small circle in front of its name.\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "  <td colspan=4>\n"
    "   Selected variable can be removed from the list by clicking the button\n"
    "   <input type=submit name=action value=\"Remove Variable\">\n"
    " </tr>\n"
    "</table>\n"
    "<hr>\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "   If you change any data in the form, press the button\n"
    "   <input type=submit name=action value=\"Save Changes\">\n"
    " </tr>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "   If you want to read data from the file, press the button\n"
    "   <input type=submit name=action value=\"Reload Data\">\n"
    " </tr>\n"
    "</table>\n"
    "</form>\n"
    "<form method=post action=\"/cgi-bin/zorvik.exe\">\n"
    "<input type=hidden name=password value=\"Secret\">\n"
    "<table>\n"
    " <tr valign=baseline>\n"
    "  <td>\n"
    "   For viewing the settings in initialization file <b>kalder.ini</b> press\n"
    "   <input type=submit value=\"  here  \">\n"
    " </tr>\n"
    "</table>\n"
    "</form>\n"
    "<form id=rebuild method=post action=\"/cgi-bin/lunoder.exe/shop\">\n"
    "<input type=hidden name=password value=\"Secret\">\n"
    "</form>\n"
    "<hr>\n"
    "</body>\n"
    "</html>\n";

TEST_F(ZorvikTest, GroupPageShowsTheWholeGroup) { EXPECT_EQ(groupPage(), withHome(kGroupPage)); }

TEST_F(ZorvikTest, OverviewShowDetailsSavesAndOpensTheMarkedGroup) {
  std::string page = press(overview(), "Show Details", [](BrowserForm& f) {
    f.check("mark", "shop");
    f.set("server", "www3");
  });
  EXPECT_EQ(page, withHome(kGroupPage));
  EXPECT_NE(settingsFile().find("serverName=www3\n"), std::string::npos);
  EXPECT_EQ(shopFile(), kShop);
  // Without a mark it only saves and shows the overview.
  std::string again = press(overview(), "Show Details");
  EXPECT_NE(again.find("<h1>Settings in initialization file"), std::string::npos);
}

TEST_F(ZorvikTest, GroupSaveOfAnUnchangedPageRewritesTheFileByteForByte) {
  std::string page = press(groupPage(), "Save Changes");
  EXPECT_EQ(shopFile(), kShop);
  EXPECT_EQ(page, withHome(kGroupPage));
}

TEST_F(ZorvikTest, GroupAddFormGoesLastOrBeforeTheMarkedForm) {
  std::string page = press(groupPage(), "Add Form", [](BrowserForm& f) {
    f.set("fnewname", "late");
    f.set("fnewmsg", "late2.msg");
  });
  press(page, "Add Form", [](BrowserForm& f) {
    f.check("markform", "quick");
    f.set("fnewname", "early");
  });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "form=quick - q\"c.msg\n",
                                   "form=early\nform=quick - q\"c.msg\nform=late - late2.msg\n"));
}

TEST_F(ZorvikTest, GroupAddFormWithoutNameAddsNothingButSavesEdits) {
  press(groupPage(), "Add Form", [](BrowserForm& f) { f.set("defaultform", "quick"); });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "defaultform=orders", "defaultform=quick"));
}

TEST_F(ZorvikTest, GroupRemoveButtonsRemoveTheMarkedEntries) {
  std::string page =
      press(groupPage(), "Remove Form", [](BrowserForm& f) { f.check("markform", "orders"); });
  page = press(page, "Remove Catalog", [](BrowserForm& f) { f.check("markcatalog", "visits"); });
  page = press(page, "Remove Response", [](BrowserForm& f) { f.check("markresponse", "1"); });
  press(page, "Remove Variable", [](BrowserForm& f) { f.check("markvar", "title"); });
  std::string expected = replaceAll(kShop, "\nform=orders\n", "\n");
  expected = replaceAll(expected, "catalog=visits*tag - log[YYYY].dat\n", "");
  expected = replaceAll(expected, "response=a@b.c,d@e.f tpl.tmt orders orders\n", "");
  expected = replaceAll(expected, "title=My shop\n", "");
  EXPECT_EQ(shopFile(), expected);
}

TEST_F(ZorvikTest, GroupRemoveWithoutSelectionRemovesNothing) {
  std::string page = groupPage();
  for (const char* button : {"Remove Form", "Remove Catalog", "Remove Response", "Remove Variable"})
    page = press(page, button);
  EXPECT_EQ(shopFile(), kShop);
}

TEST_F(ZorvikTest, GroupMarksFollowRenamedEntries) {
  std::string page = press(groupPage(), "Save Changes", [](BrowserForm& f) {
    f.check("markform", "quick");
    f.set("fname_quick", "fast");
    f.check("markcatalog", "orders");
    f.set("bname_orders", "sales");
    f.check("markvar", "title");
    f.set("vname_title", "heading");
    f.check("markresponse", "2");
  });
  BrowserForm shown(page);
  EXPECT_EQ(shown.checkedValue("markform"), "fast");
  EXPECT_EQ(shown.checkedValue("markcatalog"), "sales");
  EXPECT_EQ(shown.checkedValue("markvar"), "heading");
  EXPECT_EQ(shown.checkedValue("markresponse"), "2");
  std::string expected =
      replaceAll(kShop, "form=quick - q\"c.msg", "form=fast quick.htm q\"c.msg quick.tmt");
  expected =
      replaceAll(expected, "catalog=orders -,quick -", "catalog=sales orders,quick orders.dat");
  expected = replaceAll(expected, "title=", "heading=");
  EXPECT_EQ(shopFile(), expected);
  // The marks stay with the renamed entries: adding now places before them.
  press(page, "Add Form", [](BrowserForm& f) { f.set("fnewname", "new"); });
  EXPECT_NE(shopFile().find("form=orders\nform=new\nform=fast "), std::string::npos) << shopFile();
}

TEST_F(ZorvikTest, GroupMarkedSeriesCatalogStaysMarkedAndTakesNewCatalogsBeforeIt) {
  std::string page = press(groupPage(), "Add Catalog", [](BrowserForm& f) {
    f.check("markcatalog", "visits");
    f.set("bnewname", "before");
  });
  EXPECT_EQ(BrowserForm(page).checkedValue("markcatalog"), "visits");
  EXPECT_NE(shopFile().find("catalog=before\ncatalog=visits*tag"), std::string::npos) << shopFile();
}

TEST_F(ZorvikTest, GroupEmptiedNamesRemoveEntries) {
  press(groupPage(), "Save Changes", [](BrowserForm& f) {
    f.set("fname_orders", "");
    f.set("bname_visits", "");
    f.set("raddr_2", "   ");
    f.set("vname_link", "");
  });
  std::string expected = replaceAll(kShop, "\nform=orders\n", "\n");
  expected = replaceAll(expected, "catalog=visits*tag - log[YYYY].dat\n", "");
  expected = replaceAll(expected, "response=x@y.z\n", "");
  expected = replaceAll(expected, "link=<a href=\"x\">&ccaron;</a>\n", "");
  EXPECT_EQ(shopFile(), expected);
}

TEST_F(ZorvikTest, GroupAddSeriesCatalogTakesItsWordForFormAndFile) {
  press(groupPage(), "Add Catalog", [](BrowserForm& f) {
    f.set("bnewname", "daily*day");
    f.set("bnewdesc", "Daily  visits");
  });
  EXPECT_NE(
      shopFile().find("catalog=visits*tag - log[YYYY].dat\ncatalog=daily*day - - Daily  visits\n"),
      std::string::npos)
      << shopFile();
  std::string page = groupPage();
  EXPECT_NE(page.find("  <td> <input type=text name=\"bname_daily\" value=\"daily*day\">\n"
                      "  <td> <input type=text name=\"bform_daily\" value=\"daily\">\n"
                      "  <td> <input type=text name=\"bfile_daily\" value=\"daily.dat\">\n"),
            std::string::npos);
}

TEST_F(ZorvikTest, GroupAddResponseGoesFirstWithPositionOneElseLast) {
  std::string page = press(groupPage(), "Add Response", [](BrowserForm& f) {
    f.set("rnewaddr", " last@x.y  other@x.y ");
    f.set("rnewcat", "orders  visits");
  });
  press(page, "Add Response", [](BrowserForm& f) {
    f.check("markresponse", "1");
    f.set("rnewaddr", "first@x.y");
    f.set("rnewtmt", "first.tmt");
  });
  EXPECT_EQ(
      shopFile(),
      replaceAll(
          replaceAll(kShop, "response=a@b.c", "response=first@x.y first.tmt\nresponse=a@b.c"),
          "response=x@y.z\n", "response=x@y.z\nresponse=last@x.y,other@x.y - - orders,visits\n"));
}

TEST_F(ZorvikTest, GroupAddVariableSkipsExistingNamesAndPlacesBeforeTheMark) {
  std::string page = press(groupPage(), "Add Variable", [](BrowserForm& f) {
    f.set("vnewname", "TITLE");
    f.set("vnewvalue", "twice");
  });
  EXPECT_EQ(shopFile(), kShop);
  press(page, "Add Variable", [](BrowserForm& f) {
    f.check("markvar", "link");
    f.set("vnewname", "motto");
    f.set("vnewvalue", "Dobro \"sla <i>");
  });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "link=", "motto=Dobro &scaron;la <i>\nlink="));
}

TEST_F(ZorvikTest, GroupReloadDataDiscardsEdits) {
  std::string page = press(groupPage(), "Reload Data", [](BrowserForm& f) {
    f.set("description", "changed");
    f.set("fname_orders", "");
    f.check("index", "none");
  });
  EXPECT_EQ(shopFile(), kShop);
  EXPECT_EQ(page, withHome(kGroupPage));
}

TEST_F(ZorvikTest, GroupOptionsAreStoredAsChosen) {
  press(groupPage(), "Save Changes", [](BrowserForm& f) {
    f.set("workdir", "");
    f.check("data", "itemize");
    f.check("insert", "start");
    f.uncheck("addlabel");
    f.check("addtime", "yes");
    f.check("addreflabel", "yes");
    f.check("index", "none");
    f.check("log", "no");
    f.set("label", "");
    f.set("count", "0");
  });
  EXPECT_EQ(shopFile(),
            "description=Say \"cheese\" &ccaron; <b>bold</b> & more\n"
            "insert=start\nvars=DTR\nindex=none\nchanges=private\ndefaultform=orders\n"
            "form=orders\nform=quick - q\"c.msg\n"
            "catalog=orders -,quick - Orders of the \"shop\"\ncatalog=visits*tag - log[YYYY].dat\n"
            "response=a@b.c,d@e.f tpl.tmt orders orders\nresponse=x@y.z\n"
            "title=My shop\nlink=<a href=\"x\">&ccaron;</a>\n");
  // The sort settings keep their values while another method is chosen.
  std::string page = groupPage();
  EXPECT_NE(page.find("<input type=text name=sortfield value=\"\">"), std::string::npos);
  press(page, "Save Changes", [](BrowserForm& f) {
    f.check("insert", "sort");
    f.set("sortfield", "date");
    f.check("sorttype", "alpha");
    f.check("sortorder", "descend");
  });
  EXPECT_NE(shopFile().find("insert=sort date r\n"), std::string::npos) << shopFile();
}

TEST_F(ZorvikTest, GroupDelimiterWithoutCharacterSeparatesByBlanks) {
  press(groupPage(), "Save Changes", [](BrowserForm& f) {
    f.set("delim", "");
    f.set("fields", "  name   price ");
  });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "data=|name|price", "data= name price"));
  press(groupPage(), "Save Changes", [](BrowserForm& f) { f.set("delim", ";"); });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "data=|name|price", "data=;name;price"));
}

TEST_F(ZorvikTest, GroupTransactionSettingSurvivesASaveAndTakesAPostedValue) {
  std::string page = groupPage();
  press(page, "Save Changes");
  EXPECT_NE(shopFile().find("changes=private\n"), std::string::npos);
  CgiResult result = post("shop", "", BrowserForm(page).submit("Save Changes") + "&changes=common");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(shopFile(), replaceAll(kShop, "changes=private", "changes=common"));
  post("shop", "", BrowserForm(page).submit("Save Changes") + "&changes=none");
  EXPECT_EQ(shopFile(), replaceAll(kShop, "changes=private\n", ""));
}

TEST_F(ZorvikTest, GroupSaveKeepsACounterThatSubmissionsAdvanced) {
  std::string page = groupPage();
  home.write("shop.grp", replaceAll(kShop, "count=17", "count=23"));  // two submissions meanwhile
  std::string next = press(page, "Add Variable", [](BrowserForm& f) {
    f.set("vnewname", "extra");
    f.set("vnewvalue", "1");
  });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "label=ORD-\ncount=17", "extra=1\nlabel=ORD-\ncount=23"));
  EXPECT_EQ(BrowserForm(next).value("count"), "23");
  EXPECT_EQ(BrowserForm(next).value("countshown"), "23");
  EXPECT_TRUE(home.exists("shop.lck"));  // written under the lock that submissions take
}

// A save keeps the lines that the page does not show (comments, lines
// without "="), ahead of the settings, and takes the counter by the rule
// submissions use: the last counter line, in any letter case, and never
// lower than the counter the page showed.
TEST_F(ZorvikTest, GroupSaveKeepsOtherLinesAndTheLastCounterLine) {
  home.write("shop.grp", std::string("# Orders of the shop\n") + kShop + "no setting\n");
  std::string page = groupPage();
  home.write("shop.grp", shopFile() + "COUNT=30\n");  // raised by hand meanwhile
  press(page, "Save Changes");
  EXPECT_EQ(shopFile(),
            "# Orders of the shop\nno setting\n" + replaceAll(kShop, "count=17", "count=30"));
  page = groupPage();
  home.write("shop.grp", replaceAll(shopFile(), "count=30", "count=12"));  // lowered meanwhile
  press(page, "Save Changes");
  EXPECT_EQ(shopFile(),
            "# Orders of the shop\nno setting\n" + replaceAll(kShop, "count=17", "count=30"));
}

TEST_F(ZorvikTest, GroupSaveWritesAnEditedCounter) {
  std::string page = groupPage();
  home.write("shop.grp", replaceAll(kShop, "count=17", "count=23"));
  press(page, "Save Changes", [](BrowserForm& f) { f.set("count", "100"); });
  EXPECT_EQ(shopFile(), replaceAll(kShop, "count=17", "count=100"));
  // Labels reserved above the edited counter are reserved no more.
  EXPECT_EQ(home.read("shop.labels").rfind("reserved=100 ", 0), 0u);
  // A hand-made request without the shown count counts as an edit.
  post("shop", "", "password=Secret&action=Save+Changes&count=5&insert=end");
  EXPECT_NE(shopFile().find("count=5\n"), std::string::npos);
}

TEST_F(ZorvikTest, GroupValuesRoundTripByteForByte) {
  const std::string tricky = "a \"cheese\" \"s\"z &ccaron; <b>x</b> & &amp; 100%";
  std::string page = press(groupPage(), "Save Changes", [&](BrowserForm& f) {
    f.set("description", tricky);
    f.set("bdesc_orders", tricky);
    f.set("fhtm_orders", "o\"c.htm");
    f.set("label", "\"Z-");
  });
  std::string expected = replaceAll(kShop, "description=Say \"cheese\" &ccaron; <b>bold</b> & more",
                                    "description=" + tricky);
  expected = replaceAll(expected, "Orders of the \"shop\"", tricky);
  expected = replaceAll(expected, "\nform=orders\n", "\nform=orders o\"c.htm\n");
  expected = replaceAll(expected, "label=ORD-", "label=\"Z-");
  EXPECT_EQ(shopFile(), expected);
  EXPECT_NE(page.find("name=description value=\"a &quot;cheese&quot; &quot;s&quot;z &amp;ccaron; "
                      "&lt;b&gt;x&lt;/b&gt; &amp; &amp;amp; 100%\" size=60>"),
            std::string::npos);
  // And the next save of that page changes nothing.
  press(page, "Save Changes");
  EXPECT_EQ(shopFile(), expected);
}

TEST_F(ZorvikTest, GroupEntryNamesWithMarkupRoundTrip) {
  home.write("shop.grp", "form=a\"b<c>&amp;\ncatalog=x&y\n");
  std::string page = groupPage();
  EXPECT_NE(page.find("<input type=text name=\"fname_a&quot;b&lt;c&gt;&amp;amp;\" "
                      "value=\"a&quot;b&lt;c&gt;&amp;amp;\">"),
            std::string::npos);
  press(page, "Save Changes", [](BrowserForm& f) { f.check("markform", "a\"b<c>&amp;"); });
  EXPECT_EQ(shopFile(), "form=a\"b<c>&amp;\ncatalog=x&y\n");
}

TEST_F(ZorvikTest, GroupPageInSlovenianCarriesTheLanguageEverywhere) {
  std::string page = groupPage("shop", "language=slo,cp1250");
  EXPECT_EQ(occurrences(page, "<form method=post action="), 2u);
  EXPECT_NE(page.find("<form method=post action=\"/cgi-bin/zorvik.exe/shop?language=slo,cp1250\">"),
            std::string::npos);
  EXPECT_NE(page.find("<form method=post action=\"/cgi-bin/zorvik.exe?language=slo,cp1250\">"),
            std::string::npos);
  EXPECT_EQ(occurrences(page, "<a href="), 8u);
  EXPECT_EQ(occurrences(page, "?language=slo,cp1250\">"), 11u);  // 2 forms, 8 help links, rebuild
  EXPECT_NE(page.find("(<input type=submit form=rebuild value=\"zgradi\">)"), std::string::npos);
  EXPECT_NE(page.find("<form id=rebuild method=post "
                      "action=\"/cgi-bin/lunoder.exe/shop?language=slo,cp1250\">"),
            std::string::npos);
  for (const char* button :
       {"Dodaj obrazec", "Odstrani obrazec", "Dodaj katalog", "Odstrani katalog", "Dodaj odziv",
        "Odstrani odziv", "Dodaj spremenljivko", "Odstrani spremenljivko", "Shrani spremembe",
        "Preberi podatke"})
    EXPECT_NE(page.find(std::string("<input type=submit name=action value=\"") + button + "\">"),
              std::string::npos)
        << button;
  EXPECT_NE(page.find("<input type=submit value=\"  tukaj  \">"), std::string::npos);
  // cp1250 turns the entity names of the texts into bytes; stored values keep theirs.
  EXPECT_NE(page.find("Delovno podro\xE8je:"), std::string::npos);
  EXPECT_NE(page.find("&amp;ccaron;"), std::string::npos);
  std::string next = press(page, "Dodaj obrazec", [](BrowserForm& f) { f.set("fnewname", "nov"); });
  EXPECT_NE(shopFile().find("form=nov\n"), std::string::npos);
  EXPECT_NE(next.find("action=\"/cgi-bin/zorvik.exe/shop?language=slo,cp1250\""),
            std::string::npos);
}

TEST_F(ZorvikTest, GroupReturnFormLeadsToTheOverview) {
  BrowserForm back(groupPage("shop", "language=slo"), 1);
  CgiResult result = submit(back, "  tukaj  ");
  EXPECT_NE(result.output.find("<h1>Nastavitve v inicializacijski datoteki"), std::string::npos);
  EXPECT_EQ(shopFile(), kShop);
  EXPECT_EQ(settingsFile(), withHome(kSettings));
}

TEST_F(ZorvikTest, RebuildButtonPostsThePasswordOnToTheIndexBuilder) {
  home.write("shop.grp", "catalog=orders\n");
  home.write("orders.dat", "&LABEL==1\n&FORMID==order\n\n");
  BrowserForm rebuild(groupPage("shop", "language=slo"), 2);
  EXPECT_EQ(rebuild.action(), "/cgi-bin/lunoder.exe/shop?language=slo");
  std::string body = rebuild.submit();
  EXPECT_EQ(body, "password=Secret");
  CgiResult result =
      runCgi(programPath("lunoder"),
             postEnvironment(home.path(), "lunoder", "shop", "language=slo", body), body);
  EXPECT_NE(result.output.find("<h1>Gradnja indeksov je uspela</h1>"), std::string::npos)
      << result.output;
  EXPECT_EQ(home.read("orders.idx"), "1 order 0\n");
}

TEST_F(ZorvikTest, NewGroupFileIsCreatedByTheFirstSave) {
  press(overview(), "Add", [](BrowserForm& f) {
    f.set("newname", "fresh");
    f.set("newvalue",
          f.value("desc_shop").substr(0, f.value("desc_shop").size() - 8) + "fresh.grp");
  });
  EXPECT_FALSE(home.exists("fresh.grp"));
  std::string page = groupPage("fresh");
  EXPECT_NE(page.find("  <td> <input type=text name=count value=\"0\">\n"), std::string::npos);
  EXPECT_EQ(page.find("Remove Form"), std::string::npos);  // empty lists have no remove buttons
  press(page, "Add Form", [](BrowserForm& f) { f.set("fnewname", "first"); });
  EXPECT_EQ(home.read("fresh.grp"), "form=first\n");
}

}  // namespace
