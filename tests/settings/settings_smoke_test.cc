// A first look at the settings layer through the in-process environment.
#include <gtest/gtest.h>

#include "common/settings/catalog_group.h"
#include "support/cgi_environment.h"

TEST(SettingsSmoke, ReadsGroupNamedByPathInfo) {
  CgiEnvironment cgi;
  cgi.home().write("kalder.ini", "[GENERAL]\nadministrator=admin@example.org\n[GROUPS]\nshop=" +
                                     cgi.home().file("shop.grp") + "\n");
  cgi.home().write("shop.grp", "description=The shop\nform=orders\ncount=41\n");
  cgi.get("", "shop");
  CatalogGroup app;
  EXPECT_EQ(app.group.description, "The shop");
  EXPECT_EQ(app.group.count, 41);
  ASSERT_EQ(app.group.forms.size(), 1u);
  EXPECT_EQ(app.group.forms[0].messageFile, "orders.msg");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}
