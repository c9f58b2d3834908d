// Index entries written and read back, in private and common index files.
#include "common/catalog/index_entry.h"

#include <gtest/gtest.h>

#include "group_fixture.h"

namespace {

Text entry(std::string_view label, std::string_view form, bool common, std::string_view catalog,
           long offset, std::string_view ref) {
  Text out;
  appendIndexEntry(out, label, form, common, catalog, offset, ref);
  return out;
}

TEST(IndexEntryFormat, PrivateAndCommonEntries) {
  EXPECT_EQ(entry("ORD-3", "order", false, "orders", 0, ""), "ORD-3 order 0\n");
  EXPECT_EQ(entry("ORD-3", "order", true, "orders", 0, ""), "ORD-3 order orders 0\n");
  EXPECT_EQ(entry("ORD-4", "order", false, "", 123456789012L, "ORD-1"),
            "ORD-4 order 123456789012 ORD-1\n");
}

TEST(IndexEntryFormat, LineBreaksInAnyTextBecomeSpaces) {
  EXPECT_EQ(entry("a\nb", "f\r", true, "c\n", 5, "x\ny 0\nz"), "a b f  c  5 x y 0 z\n");
}

TEST(IndexEntryFormat, MissingLabelStartsWithASpace) {
  EXPECT_EQ(entry("", "order", false, "", 7, ""), " order 7\n");
  IndexEntry e = parseIndexEntry(" order 7", false);
  EXPECT_EQ(e.label, "");
  EXPECT_EQ(e.formName, "order");
  EXPECT_EQ(e.offset, 7);
}

TEST(IndexEntryParse, ReferenceLabelIsTheRestWithItsSpaces) {
  IndexEntry e = parseIndexEntry("ORD-4 order orders 210 ORD 1  x", true);
  EXPECT_EQ(e.label, "ORD-4");
  EXPECT_EQ(e.formName, "order");
  EXPECT_EQ(e.catalogName, "orders");
  EXPECT_EQ(e.offset, 210);
  EXPECT_EQ(e.refLabel, "ORD 1  x");
}

TEST(IndexEntryParse, ShortAndMalformedLines) {
  IndexEntry e = parseIndexEntry("ORD-4", false);
  EXPECT_EQ(e.label, "ORD-4");
  EXPECT_EQ(e.formName, "");
  EXPECT_EQ(e.offset, 0);
  e = parseIndexEntry("a b zz", false);
  EXPECT_EQ(e.offset, 0);
  EXPECT_EQ(e.refLabel, "");
  e = parseIndexEntry("a b 12abc r", false);
  EXPECT_EQ(e.offset, 12);
  EXPECT_EQ(e.refLabel, "r");
  e = parseIndexEntry("", true);
  EXPECT_EQ(e.label, "");
  EXPECT_EQ(e.catalogName, "");
}

class IndexEntries : public GroupFixture {};

TEST_F(IndexEntries, CommonIndexRoundTrip) {
  CatalogGroup& g = load("index=common\ncatalog=orders\n");
  ScratchFile file;
  CatalogFile orders{"orders", &g.catalogs[0], "orders.dat", ""};
  g.writeIndexEntry(file.get(), "ORD-3", "order", orders, 0, "");
  g.writeIndexEntry(file.get(), "ORD-4", "order", orders, 70, "ORD 1");
  EXPECT_EQ(file.content(), "ORD-3 order orders 0\nORD-4 order orders 70 ORD 1\n");
  std::rewind(file.get());
  Text label, form, catalog = "unchanged", ref;
  long offset = -1;
  EXPECT_EQ(g.readIndexEntry(file.get(), label, form, catalog, offset, ref),
            "ORD-3 order orders 0\n");
  EXPECT_EQ(catalog, "orders");
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(ref, "");
  EXPECT_EQ(g.readIndexEntry(file.get(), label, form, catalog, offset, ref),
            "ORD-4 order orders 70 ORD 1\n");
  EXPECT_EQ(label, "ORD-4");
  EXPECT_EQ(offset, 70);
  EXPECT_EQ(ref, "ORD 1");
  EXPECT_EQ(g.readIndexEntry(file.get(), label, form, catalog, offset, ref), "");
  EXPECT_EQ(label, "ORD-4");
}

TEST_F(IndexEntries, PrivateIndexHasNoCatalogName) {
  CatalogGroup& g = load("catalog=orders\n");
  ScratchFile file;
  CatalogFile orders{"orders", &g.catalogs[0], "orders.dat", ""};
  g.writeIndexEntry(file.get(), "ORD-3", "order", orders, 12, "R");
  EXPECT_EQ(file.content(), "ORD-3 order 12 R\n");
  std::rewind(file.get());
  Text label, form, catalog = "x", ref;
  long offset = 0;
  g.readIndexEntry(file.get(), label, form, catalog, offset, ref);
  EXPECT_EQ(catalog, "");
  EXPECT_EQ(offset, 12);
  EXPECT_EQ(ref, "R");
  EXPECT_EQ(std::ftell(file.get()), 17);
}

}  // namespace
