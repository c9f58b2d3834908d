// The index builder run in-process: its quick reader must give exactly the
// entries that reading each record into a parameter list gives.
#include "lunoder/index_application.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "catalog/record_test_support.h"
#include "common/catalog/catalog_file.h"
#include "common/catalog/index_entry.h"
#include "common/cgi/request_ended.h"
#include "support/cgi_environment.h"

namespace {

// The index of `file` made the plain way: each record read into a parameter
// list, then its entry; "fatal" for a malformed record.
std::string referenceIndex(const CatalogGroup& app, const CatalogFile& file) {
  std::FILE* catalog = std::fopen(file.path.c_str(), "r");
  RecordLayout layout = recordLayoutOf(app.group);
  ParamList fields;
  Text index;
  for (;;) {
    long offset = std::ftell(catalog);
    RecordRead read = readRecordAt(layout, catalog, fields);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) {
      index = "fatal";
      break;
    }
    appendIndexEntry(index,
                     IndexEntry{fields.value("&label"), fields.value("&formid"), file.name, offset,
                                fields.value("&reflabel")},
                     entriesNameCatalog(app.group.indexMode));
  }
  std::fclose(catalog);
  return index.str();
}

class IndexBuilder : public ::testing::Test {
 protected:
  std::string build(const std::string& groupFile, const std::string& catalog) {
    cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + cgi.home().file("shop.grp") + "\n");
    cgi.home().write("shop.grp", groupFile + "catalog=orders\n");
    cgi.home().write("orders.dat", catalog);
    cgi.get("", "shop");
    IndexApplication app;
    app.buildIndexes();
    CatalogFile file{"orders", &app.group.catalogs[0], Text(cgi.home().file("orders.dat")), ""};
    expected = referenceIndex(app, file);
    return cgi.home().read("orders.idx");
  }
  // The index built from `catalog`, or "fatal" when the rebuild ended the
  // request; `expected` gets the same from the plain reading.
  std::string buildOrFail(const std::string& groupFile, const std::string& catalog) {
    try {
      return build(groupFile, catalog);
    } catch (const RequestEnded&) {
      IndexApplication app;
      CatalogFile file{"orders", &app.group.catalogs[0], Text(cgi.home().file("orders.dat")), ""};
      expected = referenceIndex(app, file);
      return "fatal";
    }
  }

  CgiEnvironment cgi;
  std::string expected;
};

TEST_F(IndexBuilder, ItemFormAgreesWithThePlainReading) {
  const char catalog[] =
      "&LABEL==A-1\r\n&FORMID==order\r\n&REFLABEL==r 1\r\n\r\n"
      "\n\n"
      "&label==first\n&LABEL==second\n&formid==Ko\"cevje\n&reflabel==\n\n"
      "&LABEL=+E\nmulti\nline\nE\n&FORMID==f\rg\nnote=+LABEL\n\nLABEL\n\n"
      "x==1\n&REFLABEL=+Q\nnever closed\n";
  EXPECT_EQ(build("", catalog), expected);
  EXPECT_EQ(expected,
            "A-1 order 0 r 1\n  47\n  48\nfirst Ko&ccaron;evje 49\nmulti line fg 109\n  165\n");
}

TEST_F(IndexBuilder, DelimitedFormAgreesWithThePlainReading) {
  const char catalog[] = "L1;f;c;d;t;;x\r\n;;\n\nL\"s;g;;;;r\"; 2;\"a;b\"\nlast;f";
  EXPECT_EQ(build("data=;name\n", catalog), expected);
  EXPECT_EQ(expected, "L1 f 0\n  15\n  18\nL&scaron; g 19 r\"\nlast f 40\n");
}

// Catalogs of random lines made of the characters that matter to the reader.
TEST_F(IndexBuilder, RandomCatalogsAgreeWithThePlainReading) {
  const std::string pieces[] = {"&LABEL", "&formid", "&REFLABEL", "=",  "==", "=+",  "E",
                                "LABEL",  "x",       "\n",        "\n", "\r", "\"c", " "};
  std::mt19937 random(20240611);
  for (int round = 0; round < 200; ++round) {
    std::string catalog;
    int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) catalog += pieces[random() % std::size(pieces)];
    const char* layout = round % 3 == 0 ? "data=E&LABEL\n" : "";
    std::string built = buildOrFail(layout, catalog);
    ASSERT_EQ(built, expected) << "catalog: " << catalog;
  }
}

TEST_F(IndexBuilder, ResultPageListsTheCatalog) {
  build("", "");
  EXPECT_EQ(cgi.home().read("orders.idx"), "");
  std::string page = cgi.output();
  EXPECT_NE(page.find("<ol>\n<li> <tt><b>orders</b></tt>\n</ol>\n"), std::string::npos) << page;
}

TEST_F(IndexBuilder, NamesFromTheRequestAreEscapedOnThePage) {
  cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + cgi.home().file("shop.grp") + "\n");
  cgi.home().write("shop.grp", "catalog=a<b>\n");
  cgi.get("catalog=A%3Cb%3E", "SHOP");
  IndexApplication app;
  app.buildIndexes();
  std::string page = cgi.output();
  EXPECT_NE(page.find("<tt><b>SHOP</b></tt>:\n<ol>\n<li> <tt><b>a&lt;b&gt;</b></tt>\n</ol>"),
            std::string::npos)
      << page;
}

}  // namespace
