// An "@" recipients file is read only when it is an ordinary file: a device
// that never ends (found while fuzzing the group file reader) would hang
// every submission to the group.
#include <gtest/gtest.h>

#include <memory>

#include "common/settings/catalog_group.h"
#include "support/cgi_environment.h"

namespace {

std::unique_ptr<CatalogGroup> groupWith(CgiEnvironment& cgi, const std::string& lines) {
  cgi.home().write("shop.grp", lines);
  auto group = std::make_unique<CatalogGroup>();
  group->readGroup("shop", cgi.home().file("shop.grp"));
  return group;
}

}  // namespace

TEST(RecipientsFileKind, DeviceThatNeverEndsGivesNoRecipients) {
  CgiEnvironment cgi;
  cgi.get("");
  auto group = groupWith(cgi, "response=@/dev/zero order.tmt\n");
  ASSERT_EQ(group->responses.size(), 1u);
  EXPECT_TRUE(group->responses[0].recipients.empty());
  EXPECT_EQ(group->responses[0].templateFile, "order.tmt");
}

TEST(RecipientsFileKind, DirectoryGivesNoRecipients) {
  CgiEnvironment cgi;
  cgi.get("");
  auto group = groupWith(cgi, "response=@" + cgi.home().path() + "\n");
  ASSERT_EQ(group->responses.size(), 1u);
  EXPECT_TRUE(group->responses[0].recipients.empty());
}

TEST(RecipientsFileKind, OrdinaryFileIsRead) {
  CgiEnvironment cgi;
  cgi.get("");
  cgi.home().write("list.txt", "ana@example.org\nbor@example.org \n");
  auto group = groupWith(cgi, "response=@" + cgi.home().file("list.txt") + "\n");
  ASSERT_EQ(group->responses.size(), 1u);
  EXPECT_EQ(group->responses[0].recipients, (List<Text>{"ana@example.org", "bor@example.org"}));
}
