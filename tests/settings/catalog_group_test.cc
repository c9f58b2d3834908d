// CatalogGroup construction: the group named by PATH_INFO is found in the
// settings and loaded; an unknown name ends the request.
#include "common/settings/catalog_group.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "catalog/group_fixture.h"
#include "common/cgi/request_ended.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

constexpr char kHeader[] = "Content-type: text/html\n\n";

void writeSettings(const CgiEnvironment& cgi) {
  cgi.home().write("kalder.ini", "[GENERAL]\nadministrator=admin@example.org\n[GROUPS]\nShop=" +
                                     cgi.home().file("shop.grp") + "\n");
}

// Builds a CatalogGroup and returns the status it ended with, 0 when it did not.
int constructionStatus() {
  try {
    CatalogGroup group;
  } catch (const RequestEnded& ended) {
    return ended.status;
  }
  return 0;
}

}  // namespace

TEST(CatalogGroupConstruction, WithoutPathInfoNothingIsLoaded) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("");
  CatalogGroup app;
  EXPECT_EQ(app.groupName, "");
  EXPECT_EQ(app.groupPath, "");
  EXPECT_EQ(app.group.indexMode, ShareMode::Private);
  EXPECT_EQ(app.group.insertMode, InsertMode::End);
  EXPECT_EQ(app.variables().find("&group"), nullptr);
  EXPECT_GE(app.today.year, 2024);
  EXPECT_EQ(cgi.output(), kHeader);
}

TEST(CatalogGroupConstruction, GroupNamedByPathInfoIgnoringCase) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.home().write("shop.grp", "description=The \"sop\nform=orders\r\ncount=41\n");
  cgi.get("", "SHOP");
  CatalogGroup app;
  EXPECT_EQ(app.groupName, "SHOP");
  EXPECT_EQ(app.groupPath.str(), cgi.home().file("shop.grp"));
  EXPECT_EQ(app.group.workDir.str(), cgi.home().path());
  EXPECT_EQ(app.group.count, 41);
  EXPECT_EQ(app.variables().value("&group"), "SHOP");
  EXPECT_EQ(app.variables().value("&groupdesc"), "The &scaron;op");
  EXPECT_EQ(cgi.output(), kHeader);
}

TEST(CatalogGroupConstruction, KnownGroupWithoutItsFileHasTheDefaults) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("", "shop");
  CatalogGroup app;
  EXPECT_EQ(app.groupName, "shop");
  EXPECT_TRUE(app.group.forms.empty());
  EXPECT_EQ(app.group.workDir.str(), cgi.home().path());
  EXPECT_EQ(app.variables().find("&group"), nullptr);
}

TEST(CatalogGroupConstruction, UnknownGroupIsAFatalError) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("", "nothere");
  EXPECT_EQ(constructionStatus(), 1);
  EXPECT_EQ(cgi.output(),
            std::string(kHeader) +
                "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n<body>\n"
                "<h1>Runtime Error</h1>\n<hr>\n<b>Unknown group of catalogs: <tt>nothere</tt></b>\n"
                "<hr>\nIf problems persist, contact administrator: "
                "<a href=\"mailto:admin@example.org\"><tt>admin@example.org</tt></a>\n"
                "</body>\n</html>\n");
}

TEST(CatalogGroupConstruction, UnknownGroupInSlovene) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("language=slo,utf8", "x");
  EXPECT_EQ(constructionStatus(), 1);
  EXPECT_NE(cgi.output().find("<b>Ne poznam skupine katalogov z imenom <tt>x</tt></b>"),
            std::string::npos);
  EXPECT_NE(cgi.output().find("&#268;e se problemi ponavljajo, obvestite vzd&#382;evalca: "),
            std::string::npos);
}

TEST(CatalogGroupConstruction, HostileGroupNameIsEscapedOnTheErrorPage) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("", "<script>alert(1)</script>");
  EXPECT_EQ(constructionStatus(), 1);
  std::string out = cgi.output();
  EXPECT_EQ(out.find("<script>"), std::string::npos);
  EXPECT_NE(out.find("<tt>&lt;script&gt;alert(1)&lt;/script&gt;</tt>"), std::string::npos);
}

TEST(CatalogGroupConstruction, WithoutSettingsEveryGroupIsUnknown) {
  CgiEnvironment cgi;
  cgi.get("", "shop");
  EXPECT_EQ(constructionStatus(), 1);
  std::string out = cgi.output();
  EXPECT_NE(out.find("Unknown group of catalogs: <tt>shop</tt>"), std::string::npos);
  EXPECT_EQ(out.find("mailto"), std::string::npos);
}

TEST(CatalogGroupMessages, PairsAsPublished) {
  EXPECT_STREQ(messages::kNoGroup.english, "Group of catalogs is not specified");
  EXPECT_STREQ(messages::kNoGroup.slovenian, "Skupina katalogov ni dolo&ccaron;ena");
  EXPECT_STREQ(messages::kNoCatalogForForm.english,
               "Catalog for form <tt>%s</tt> is not specified");
  EXPECT_STREQ(messages::kNoCatalogForForm.slovenian,
               "Katalog za obrazec <tt>%s</tt> ni dolo&ccaron;ena");
  EXPECT_STREQ(messages::kBadRecord.slovenian, "Napaka v podatkih");
  EXPECT_STREQ(messages::kNoForm.slovenian, "Obrazec ni dolo&ccaron;en");
  EXPECT_STREQ(messages::kFormNotFound.slovenian, "Ne najdem obrazca <tt>%s</tt>");
  EXPECT_STREQ(messages::kCatalogNotFound.slovenian, "Ne najdem kataloga <tt>%s</tt>");
}

TEST(CatalogGroupConstruction, ContentTypeOfTheProgramsChoice) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("");
  {
    CatalogGroup group("text/plain");
    EXPECT_EQ(cgi.output(), "Content-type: text/plain\n\n");
  }
  cgi.clearOutput();
  CatalogGroup deferred(nullptr);
  EXPECT_EQ(cgi.output(), "");
  EXPECT_EQ(deferred.settings.administrator, "admin@example.org");
}

// Finding, saving and the counter of a loaded group.
class LoadedGroup : public GroupFixture {};

TEST_F(LoadedGroup, NamesTheGroupLacksAreFatalAndEscaped) {
  CatalogGroup& g = load("form=orders\ncatalog=visits*tag visits log[YYYY].dat\n");
  EXPECT_EQ(g.findForm("ORDERS").name, "orders");
  EXPECT_EQ(g.findCatalog("visits1999").name, "visits");
  std::string page = pageOfFatal([&] { g.findForm("<none>"); });
  EXPECT_NE(page.find("<b>Cannot find form <tt>&lt;none&gt;</tt></b>"), std::string::npos);
  page = pageOfFatal([&] { g.findCatalog("Visits1999"); });
  EXPECT_NE(page.find("<b>Cannot find catalog <tt>Visits1999</tt></b>"), std::string::npos);
}

TEST_F(LoadedGroup, WrittenOnlyWhenNamedAndChanged) {
  CatalogGroup& g = load("# kept\nform=a\n");
  g.group.forms.push_back(FormEntry{"b", "b.htm", "b.msg", "b.tmt"});
  g.writeGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "# kept\nform=a\n");
  g.groupChanged = true;
  g.finish();
  EXPECT_EQ(cgi.home().read("shop.grp"), "# kept\nform=a\nform=b\n");
  EXPECT_FALSE(g.groupChanged);
  g.groupName = Text();
  g.groupChanged = true;
  g.group.forms.clear();
  g.writeGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "# kept\nform=a\nform=b\n");
}

TEST_F(LoadedGroup, RewriteKeepsPermissions) {
  CatalogGroup& g = load("form=a\n");
  chmod(home("shop.grp").c_str(), 0640);
  g.groupChanged = true;
  g.writeGroup();
  struct stat info;
  ASSERT_EQ(stat(home("shop.grp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(LoadedGroup, FilesThatCannotBeCreatedAreFatal) {
  CatalogGroup& g = load("form=a\n");
  g.groupPath = home("missing-dir/shop.grp");
  g.groupChanged = true;
  std::string page = pageOfFatal([&] { g.writeGroup(); });
  EXPECT_FALSE(g.groupChanged);
  EXPECT_NE(page.find("<b>Cannot create file <tt>" + home("missing-dir/shop.grp") + "</tt></b>"),
            std::string::npos);
  page = pageOfFatal([&] { g.saveCounter(); });
  EXPECT_NE(page.find("Cannot create file <tt>" + home("missing-dir/shop.grp") + "</tt>"),
            std::string::npos)
      << page;
}

// The counter is saved into the line it was read from: in place when the
// line keeps its length, else through a rewrite of the whole file.
TEST_F(LoadedGroup, CounterSavedIntoItsOwnLine) {
  struct Row {
    std::string file;
    std::string saved;
  } rows[] = {
      {"description=Shop\ncount=99\nform=order\n", "description=Shop\ncount=100\nform=order\n"},
      {"count=5\nform=order\nCOUNT=17\n", "count=5\nform=order\ncount=18\n"},
      {"COUNT=7\r\n", "count=8\n"},
      {"form=order\n", "form=order\ncount=1\n"},
  };
  for (const Row& row : rows) {
    CatalogGroup& g = load(row.file);
    EXPECT_EQ(g.counterOnDisk(-1), g.group.count) << row.file;
    takeNextLabel(g.group);
    g.saveCounter();
    EXPECT_EQ(cgi.home().read("shop.grp"), row.saved) << row.file;
    EXPECT_EQ(g.counterOnDisk(-1), g.group.count) << row.file;
  }
}

TEST_F(LoadedGroup, CounterOfAMissingFile) {
  CatalogGroup& g = load("count=4\n");
  std::filesystem::remove(home("shop.grp"));
  EXPECT_EQ(g.counterOnDisk(42), 42);
  g.group.count = 5;
  g.saveCounter();
  EXPECT_EQ(cgi.home().read("shop.grp"), "count=5\n");
  int files = 0;
  for (const auto& item : std::filesystem::directory_iterator(home())) {
    (void)item;
    ++files;
  }
  EXPECT_EQ(files, 2);  // kalder.ini and shop.grp: no temporary file is left behind
}
