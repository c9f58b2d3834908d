// Index entries written and read back, in private and common index files,
// and where the index of a catalog lies.
#include "common/catalog/index_entry.h"

#include <gtest/gtest.h>

#include "record_test_support.h"

namespace {

std::string described(const IndexEntry& e) {
  return "[" + e.label.str() + "|" + e.formName.str() + "|" + e.catalogName.str() + "|" +
         std::to_string(e.offset) + "|" + e.refLabel.str() + "]";
}

// Each entry written, its line, and the entry that line reads back as.
TEST(IndexEntry, WrittenAndReadBack) {
  struct Row {
    IndexEntry entry;
    bool withCatalog;
    const char* line;
    const char* readBack;
  } rows[] = {
      {{"ORD-3", "order", "orders", 0, ""}, false, "ORD-3 order 0\n", "[ORD-3|order||0|]"},
      {{"ORD-3", "order", "orders", 0, ""},
       true,
       "ORD-3 order orders 0\n",
       "[ORD-3|order|orders|0|]"},
      {{"ORD-4", "order", "", 123456789012L, "ORD-1"},
       false,
       "ORD-4 order 123456789012 ORD-1\n",
       "[ORD-4|order||123456789012|ORD-1]"},
      {{"ORD-4", "order", "orders", 70, "ORD 1  x"},
       true,
       "ORD-4 order orders 70 ORD 1  x\n",
       "[ORD-4|order|orders|70|ORD 1  x]"},
      // A missing label starts the line with a space.
      {{"", "order", "", 7, ""}, false, " order 7\n", "[|order||7|]"},
      // Line breaks in any text become spaces: no value adds an entry.
      {{"a\nb", "f\r", "c\n", 5, "x\ny 0\nz"},
       true,
       "a b f  c  5 x y 0 z\n",
       "[a|b|f|0|c  5 x y 0 z]"},
  };
  for (const Row& row : rows) {
    Text line;
    appendIndexEntry(line, row.entry, row.withCatalog);
    EXPECT_EQ(line, row.line);
    TextLines lines(line.view());
    std::optional<IndexEntry> read = readIndexEntry(lines, row.withCatalog);
    ASSERT_TRUE(read.has_value()) << row.line;
    EXPECT_EQ(described(*read), row.readBack) << row.line;
    EXPECT_FALSE(readIndexEntry(lines, row.withCatalog).has_value());
  }
}

TEST(IndexEntry, ShortAndMalformedLines) {
  struct Row {
    const char* line;
    bool withCatalog;
    const char* entry;
  } rows[] = {
      {"ORD-4", false, "[ORD-4|||0|]"},
      {"a b zz", false, "[a|b||0|]"},
      {"a b 12abc r", false, "[a|b||12|r]"},
      {"", true, "[|||0|]"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(described(parseIndexEntry(row.line, row.withCatalog)), row.entry) << row.line;
}

TEST(IndexEntry, OnlyTheCommonIndexNamesCatalogs) {
  EXPECT_TRUE(entriesNameCatalog(ShareMode::Common));
  EXPECT_FALSE(entriesNameCatalog(ShareMode::Private));
}

TEST(IndexFile, BesideTheCatalogOrTheGroupFile) {
  CatalogFile visits{"visits199903", nullptr, "/d/log199903.dat", ""};
  EXPECT_EQ(indexPathOf(ShareMode::Private, "/g/shop.grp", visits), "/d/log199903.idx");
  EXPECT_EQ(indexPathOf(ShareMode::Common, "/g/shop.grp", visits), "/g/shop.idx");
  EXPECT_EQ(indexPathOf(ShareMode::None, "/g/shop.grp", visits), "");
  CatalogFile own{"x", nullptr, "/d/x.idx", ""};
  EXPECT_EQ(indexPathOf(ShareMode::Private, "/g/shop.grp", own), "/d/x.idx");
}

}  // namespace
