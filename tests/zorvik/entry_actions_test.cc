// Building and placing entries for the add buttons of both pages.
#include <gtest/gtest.h>

#include "support/cgi_environment.h"
#include "zorvik/admin_application.h"
#include "zorvik/group_actions.h"
#include "zorvik/settings_actions.h"

namespace {

class EntryActions : public ::testing::Test {
 protected:
  EntryActions() { env.get(""); }

  Text formNames() const {
    Text names;
    for (const FormEntry& form : app.group.forms) names += form.name + " ";
    return names;
  }
  Text responseTemplates() const {
    Text names;
    for (const ResponseEntry& response : app.group.responses) names += response.templateFile + " ";
    return names;
  }
  Text groupNames() const {
    Text names;
    for (const Param& group : app.settings.groups) names += group.name + " ";
    return names;
  }

  CgiEnvironment env;
  AdminApplication app;
};

}  // namespace

TEST_F(EntryActions, FormFilesDefaultToTheNameAndAreOtherwiseKeptAsPosted) {
  addFormEntry(app, "orders", "", " o.htm ", "", "");
  ASSERT_EQ(app.group.forms.size(), 1u);
  EXPECT_EQ(app.group.forms[0].formFile, "orders.htm");
  EXPECT_EQ(app.group.forms[0].messageFile, " o.htm ");
  EXPECT_EQ(app.group.forms[0].templateFile, "orders.tmt");
  addFormEntry(app, "", "x.htm", "", "", "");
  EXPECT_EQ(app.group.forms.size(), 1u);
}

TEST_F(EntryActions, FormsArePlacedBeforeTheMarkIgnoringCaseOrDropped) {
  addFormEntry(app, "b", "", "", "", "nothing");  // an empty list takes it
  addFormEntry(app, "d", "", "", "", "");
  addFormEntry(app, "a", "", "", "", "B");
  addFormEntry(app, "c", "", "", "", "d");
  addFormEntry(app, "lost", "", "", "", "gone");
  EXPECT_EQ(formNames(), "a b c d ");
}

TEST_F(EntryActions, CatalogFormsAreWordsWithDashForTheOwnName) {
  addCatalogEntry(app, "shop*tag", "  -  quick   -x ", "", "Shop  list", "");
  ASSERT_EQ(app.group.catalogs.size(), 1u);
  const CatalogEntry& entry = app.group.catalogs[0];
  EXPECT_EQ(entry.name, "shop");
  EXPECT_EQ(entry.isSeries, 1);
  EXPECT_EQ(entry.seriesTag, "tag");
  ASSERT_EQ(entry.forms.size(), 3u);
  EXPECT_EQ(entry.forms[0], "shop");
  EXPECT_EQ(entry.forms[1], "quick");
  EXPECT_EQ(entry.forms[2], "-x");
  EXPECT_EQ(entry.dataFile, "shop.dat");
  EXPECT_EQ(entry.description, "Shop  list");
}

TEST_F(EntryActions, CatalogWithBlankFormsHasItsOwnNameAsForm) {
  addCatalogEntry(app, "a*b*c", "   ", "data.txt", "", "");
  ASSERT_EQ(app.group.catalogs.size(), 1u);
  EXPECT_EQ(app.group.catalogs[0].name, "a");
  EXPECT_EQ(app.group.catalogs[0].seriesTag, "b*c");
  ASSERT_EQ(app.group.catalogs[0].forms.size(), 1u);
  EXPECT_EQ(app.group.catalogs[0].forms[0], "a");
  EXPECT_EQ(app.group.catalogs[0].dataFile, "data.txt");
}

TEST_F(EntryActions, ResponsesArePlacedByPosition) {
  addResponseEntry(app, "a@x", "one", "", "", "");
  addResponseEntry(app, "b@x", "two", "", "", "");
  addResponseEntry(app, "c@x", "first", "", "", "1");
  addResponseEntry(app, "d@x", "third", "", "", "3");
  addResponseEntry(app, "e@x", "end1", "", "", "9");  // no such position: at the end
  addResponseEntry(app, "f@x", "end2", "", "", "0");
  addResponseEntry(app, "g@x", "end3", "", "", "2x");
  EXPECT_EQ(responseTemplates(), "first one third two end1 end2 end3 ");
}

TEST_F(EntryActions, ResponsesNeedRecipientsAndSplitListsAtBlanks) {
  addResponseEntry(app, "   ", "t", "f", "c", "");
  EXPECT_TRUE(app.group.responses.empty());
  addResponseEntry(app, " a@x   b@x ", " t ", " f1  f2 ", "", "");
  ASSERT_EQ(app.group.responses.size(), 1u);
  const ResponseEntry& response = app.group.responses[0];
  ASSERT_EQ(response.recipients.size(), 2u);
  EXPECT_EQ(response.recipients[1], "b@x");
  EXPECT_EQ(response.templateFile, " t ");
  ASSERT_EQ(response.forms.size(), 2u);
  EXPECT_EQ(response.forms[1], "f2");
  EXPECT_TRUE(response.catalogs.empty());
}

TEST_F(EntryActions, VariablesAreUniqueIgnoringCaseAndPlacedBeforeTheMark) {
  addGroupVariable(app, "title", "Shop", "");
  addGroupVariable(app, "TITLE", "again", "");
  addGroupVariable(app, "motto", "\"sla", "Title");
  addGroupVariable(app, "lost", "x", "none");
  ASSERT_EQ(app.group.variables.size(), 2u);
  EXPECT_EQ(app.group.variables[0].name, "motto");
  EXPECT_EQ(app.group.variables[0].value, "&scaron;la");  // stored like every variable
  EXPECT_EQ(app.group.variables.value("title"), "Shop");
}

TEST_F(EntryActions, GroupsNeedNameAndFileAndGoBeforeTheMark) {
  addGroupEntry(app, "shop", "/g/shop.grp", "");
  addGroupEntry(app, "club", "", "");
  addGroupEntry(app, "", "/g/x.grp", "");
  addGroupEntry(app, "first", "/g/first.grp", "SHOP");
  addGroupEntry(app, "lost", "/g/lost.grp", "nothing");
  EXPECT_EQ(groupNames(), "first shop ");
  // A name that exists keeps its file; the new one is a further value.
  addGroupEntry(app, "Shop", "/g/other.grp", "");
  EXPECT_EQ(groupNames(), "first shop ");
  EXPECT_EQ(app.settings.groups.value("shop"), "/g/shop.grp");
}
