// Path helpers: directories, extensions and makePath with its lower-casing
// and absolute names.
#include "common/files/path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/text_print.h"

TEST(DirectoryOf, CutsAfterTheLastSlash) {
  EXPECT_EQ(directoryOf("c:\\web\\forms\\shop.grp"), "c:/web/forms/");
  EXPECT_EQ(directoryOf("/srv/kalder/"), "/srv/kalder/");
  EXPECT_EQ(directoryOf("/x"), "/");
  EXPECT_EQ(directoryOf("shop.grp"), "");
  EXPECT_EQ(directoryOf(""), "");
}

TEST(SetExtension, ReplacesOrAppends) {
  Text a("orders.dat");
  setExtension(a, "idx");
  EXPECT_EQ(a, "orders.idx");
  Text b("c:\\data.d\\orders");
  setExtension(b, "tmp");
  EXPECT_EQ(b, "c:/data.d/orders.tmp");  // the dot lies before the last slash
  Text c("archive.tar.gz");
  setExtension(c, "lck");
  EXPECT_EQ(c, "archive.tar.lck");
  Text d("name.");
  setExtension(d, "msg");
  EXPECT_EQ(d, "name.msg");
  Text e;
  setExtension(e, "x");
  EXPECT_EQ(e, ".x");
}

TEST(MakePath, JoinsWithOneSlashAndLowerCases) {
  EXPECT_EQ(makePath("C:\\Web\\", "Orders.DAT"), "c:/web/orders.dat");
  EXPECT_EQ(makePath("/srv/Data", "x.dat"), "/srv/data/x.dat");
  EXPECT_EQ(makePath("", "x.dat"), "/x.dat");
  EXPECT_EQ(makePath("/srv/", ""), "/srv/");
}

TEST(MakePath, AbsoluteNamesStandAlone) {
  EXPECT_EQ(makePath("/srv/data/", "/Other/X.dat"), "/other/x.dat");
  EXPECT_EQ(makePath("/srv/data/", "D:\\Cat\\X.dat"), "d:/cat/x.dat");
  EXPECT_EQ(makePath("/srv/data/", "\\root.dat"), "/root.dat");
  EXPECT_EQ(makePath("/srv/data/", "a:"), "a:");
  EXPECT_EQ(makePath("/srv/data/", "ab:c"), "/srv/data/ab:c");
}
