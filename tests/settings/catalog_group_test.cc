// CatalogGroup construction: the group named by PATH_INFO is found in the
// settings and loaded; an unknown name ends the request.
#include "common/settings/catalog_group.h"

#include <gtest/gtest.h>

#include <string>

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
  CatalogGroup group;
  EXPECT_EQ(group.groupName, "");
  EXPECT_EQ(group.groupPath, "");
  EXPECT_EQ(group.indexMode, ShareMode::Private);
  EXPECT_EQ(group.insertMode, InsertMode::End);
  EXPECT_EQ(group.variables().find("&group"), nullptr);
  EXPECT_GE(group.today.year, 2024);
  EXPECT_EQ(cgi.output(), kHeader);
}

TEST(CatalogGroupConstruction, GroupNamedByPathInfoIgnoringCase) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.home().write("shop.grp", "description=The \"sop\nform=orders\r\ncount=41\n");
  cgi.get("", "SHOP");
  CatalogGroup group;
  EXPECT_EQ(group.groupName, "SHOP");
  EXPECT_EQ(group.groupPath.str(), cgi.home().file("shop.grp"));
  EXPECT_EQ(group.workDir.str(), cgi.home().path());
  EXPECT_EQ(group.count, 41);
  EXPECT_EQ(group.variables().value("&group"), "SHOP");
  EXPECT_EQ(group.variables().value("&groupdesc"), "The &scaron;op");
  EXPECT_EQ(cgi.output(), kHeader);
}

TEST(CatalogGroupConstruction, KnownGroupWithoutItsFileHasTheDefaults) {
  CgiEnvironment cgi;
  writeSettings(cgi);
  cgi.get("", "shop");
  CatalogGroup group;
  EXPECT_EQ(group.groupName, "shop");
  EXPECT_TRUE(group.forms.empty());
  EXPECT_EQ(group.variables().find("&group"), nullptr);
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
  EXPECT_EQ(deferred.administrator, "admin@example.org");
}
