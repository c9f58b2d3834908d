// Files that the settings and group writers save must read back to what was
// saved. These cases were found by fuzzing the round trip: quote-letter
// pairs in normalised values, and a response whose recipients file was
// missing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/settings/catalog_group.h"
#include "support/cgi_environment.h"

namespace {

class SavedFilesReread : public testing::Test {
 protected:
  SavedFilesReread() { cgi.get(""); }

  // Reads the settings file, marks it changed and writes it back.
  std::string saveSettings() {
    CgiApplication application;
    application.settingsChanged = true;
    application.writeSettings();
    return cgi.home().read("kalder.ini");
  }
  // Reads the group file into a fresh group and writes it back.
  std::unique_ptr<CatalogGroup> saveGroup() {
    auto group = std::make_unique<CatalogGroup>();
    group->readGroup("shop", cgi.home().file("shop.grp"));
    group->groupChanged = true;
    group->writeGroup();
    return group;
  }

  CgiEnvironment cgi;
};

}  // namespace

TEST_F(SavedFilesReread, GroupPathWithAQuoteBeforeALetterKeepsItsPath) {
  // "" stands for one quote, so the path as read is &ccaron; followed by "s.
  cgi.home().write("kalder.ini", "[GROUPS]\nshop=\"c\"\"s.grp\n");
  std::string first = saveSettings();
  EXPECT_EQ(first, "[GENERAL]\nversion=1.2\n\n[GROUPS]\nshop=&ccaron;\"\"s.grp\n");
  EXPECT_EQ(saveSettings(), first);
  CgiApplication application;
  EXPECT_EQ(application.settings.groups.value("shop"), "&ccaron;\"s.grp");
}

TEST_F(SavedFilesReread, GroupVariableWithQuotesKeepsItsValue) {
  cgi.home().write("shop.grp", "title=Say \"\"z\"\"\" and \"\n");
  saveGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "title=Say \"\"z\"\"\" and \"\n");
  EXPECT_EQ(saveGroup()->group.variables.value("title"), "Say \"z\"\" and \"");
}

TEST_F(SavedFilesReread, ResponseWithoutRecipientsKeepsItsTemplate) {
  cgi.home().write("shop.grp", "response=@missing.txt order.tmt order\n");
  saveGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "response=@ order.tmt order\n");
  auto group = saveGroup();
  ASSERT_EQ(group->group.responses.size(), 1u);
  EXPECT_TRUE(group->group.responses[0].recipients.empty());
  EXPECT_EQ(group->group.responses[0].templateFile, "order.tmt");
  EXPECT_EQ(cgi.home().read("shop.grp"), "response=@ order.tmt order\n");
}

TEST_F(SavedFilesReread, ResponseWithOneEmptyRecipientIsNotLost) {
  cgi.home().write("blank.txt", "  \n");
  cgi.home().write("shop.grp", "response=@" + cgi.home().file("blank.txt") + " order.tmt\n");
  saveGroup();
  EXPECT_EQ(cgi.home().read("shop.grp"), "response=@ order.tmt\n");
  EXPECT_EQ(saveGroup()->group.responses.size(), 1u);
}
