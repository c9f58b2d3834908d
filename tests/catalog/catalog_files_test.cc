// Resolving catalog names of a group into catalog files and file lists.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/catalog/upload_folder.h"
#include "group_fixture.h"

namespace {

class CatalogFiles : public GroupFixture {
 protected:
  static std::string names(const CatalogFileList& list) {
    std::string out;
    for (const CatalogFile& f : list) out += std::string(f.name.view()) + " ";
    return out;
  }
};

const char kShop[] =
    "workdir=c:/data\n"
    "form=order\nform=visit\n"
    "catalog=orders order\n"
    "catalog=archive order /Srv/Archive.DAT Old orders\n"
    "catalog=visits*day visit,order log[YYYY][MM].dat Visits of -B -Y\n";

TEST_F(CatalogFiles, PlainCatalogInTheWorkDirectoryIsAddedOnce) {
  CatalogGroup& g = load(kShop);
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "orders", nullptr);
  catalogFiles().addCatalogFiles(list, "orders", nullptr);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "orders");
  EXPECT_EQ(list[0].path, "c:/data/orders.dat");
  EXPECT_EQ(list[0].entry, &g.group.catalogs[0]);
  EXPECT_EQ(list[0].description, "");
}

TEST_F(CatalogFiles, AbsoluteDataFileKeepsItsPathLowerCased) {
  load(kShop);
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "ARCHIVE", nullptr);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "archive");  // the group's spelling
  EXPECT_EQ(list[0].path, "/srv/archive.dat");
  EXPECT_EQ(list[0].description, "Old orders");
}

TEST_F(CatalogFiles, SeriesNameGivesTheCurrentMember) {
  load(kShop);
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "Visits", nullptr);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "visits199903");
  EXPECT_EQ(list[0].path, "c:/data/log199903.dat");
  EXPECT_EQ(list[0].description, "Visits of March 1999");
}

TEST_F(CatalogFiles, NamedMemberNeedNotExist) {
  load(kShop);
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "visits199812", nullptr);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].path, "c:/data/log199812.dat");
  EXPECT_EQ(list[0].description, "Visits of December 1998");
}

TEST_F(CatalogFiles, MemberWithOtherThanDigitsIsUnknownAndNeverAPath) {
  CatalogGroup& g = load(kShop);
  CatalogFileList list;
  std::string page = pageOfFatal(
      [&] { catalogFiles().addCatalogFiles(list, "visits/../<b>x", &g.group.catalogs[2]); });
  EXPECT_NE(page.find("<b>Cannot find catalog <tt>visits/../&lt;b&gt;x</tt></b>"),
            std::string::npos)
      << page;
  EXPECT_TRUE(list.empty());
}

TEST_F(CatalogFiles, UnknownCatalogIsFatal) {
  load(kShop);
  CatalogFileList list;
  std::string page = pageOfFatal([&] { catalogFiles().addCatalogFiles(list, "nope", nullptr); });
  EXPECT_NE(page.find("Cannot find catalog <tt>nope</tt>"), std::string::npos);
}

class SeriesOnDisk : public CatalogFiles {
 protected:
  CatalogGroup& loadWithFiles() {
    CatalogGroup& g = load("catalog=visits* - log[YYYY][MM].dat -B -Y\n");
    for (const char* name : {"log199812.dat", "log199903.dat", "log199901.dat", "log1999xx.dat",
                             "log19990.dat", "log1999011.dat", "other.dat"})
      cgi.home().write(name, "");
    std::filesystem::create_directory(home("log200001.dat"));
    return g;
  }
};

TEST_F(SeriesOnDisk, StarListsOrdinaryDigitMembersNewestFirst) {
  loadWithFiles();
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "VISITS*", nullptr);
  EXPECT_EQ(names(list), "visits199903 visits199901 visits199812 ");
  EXPECT_EQ(list[0].path, home("log199903.dat"));
  EXPECT_EQ(list[2].description, "December 1998");
}

TEST_F(SeriesOnDisk, NoMatchingFilesAddsNothing) {
  load("workdir=" + home("missing") + "\ncatalog=visits* - log[YY].dat\n");
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "visits*", nullptr);
  EXPECT_TRUE(list.empty());
}

TEST_F(SeriesOnDisk, ShortYearsSortByTheirDigits) {
  load("catalog=v* - s[YY].dat\n");
  for (const char* name : {"s00.dat", "s99.dat", "s05.dat"}) cgi.home().write(name, "");
  CatalogFileList list;
  catalogFiles().addCatalogFiles(list, "v*", nullptr);
  EXPECT_EQ(names(list), "v99 v05 v00 ");
}

TEST_F(SeriesOnDisk, SeasonMembersFoundOnDiskAndNamedAgreeOnTheFile) {
  CatalogGroup& g = load("catalog=s* - s[YY08].dat -Y\n");
  cgi.home().write("s9899.dat", "");
  cgi.home().write("s9900.dat", "");
  CatalogFileList listed, named, current;
  catalogFiles().addCatalogFiles(listed, "s*", nullptr);
  EXPECT_EQ(names(listed), "s9900 s9899 ");
  EXPECT_EQ(listed[1].description, "1998");
  catalogFiles().addCatalogFiles(named, "s9899", nullptr);
  EXPECT_EQ(named[0].path, listed[1].path);
  EXPECT_EQ(named[0].description, "1998");
  g.today = DateTime{15, 10, 1999, 0, 0};
  catalogFiles().addCatalogFiles(current, "s", nullptr);
  EXPECT_EQ(current[0].name, "s9900");
  EXPECT_EQ(current[0].path, listed[0].path);
}

TEST_F(CatalogFiles, ParamValuesInTurn) {
  CatalogGroup& g = load(kShop, "catalog=orders&catalog=visits199901&catalog=orders");
  CatalogFileList list;
  catalogFiles().addCatalogFilesOf(list, g.queryParams().find("catalog"));
  catalogFiles().addCatalogFilesOf(list, nullptr);
  EXPECT_EQ(names(list), "orders visits199901 ");
}

TEST_F(CatalogFiles, CatalogsOfFormsIncludeEverySeriesMember) {
  CatalogGroup& g = load(kShop, "form=VISIT&form=order");
  g.group.workDir = home();
  CatalogFileList list;
  catalogFiles().addCatalogsOfForms(list, g.queryParams().find("form"));
  EXPECT_EQ(names(list), "orders archive ");
  cgi.home().write("log199711.dat", "");
  list.clear();
  catalogFiles().addCatalogsOfForms(list, g.queryParams().find("form"));
  EXPECT_EQ(names(list), "visits199711 orders archive ");
}

TEST_F(CatalogFiles, UnknownFormIsFatal) {
  CatalogGroup& g = load(kShop, "form=nope");
  CatalogFileList list;
  std::string page =
      pageOfFatal([&] { catalogFiles().addCatalogsOfForms(list, g.queryParams().find("form")); });
  EXPECT_NE(page.find("Cannot find form <tt>nope</tt>"), std::string::npos);
}

TEST_F(CatalogFiles, AllCatalogsInGroupOrder) {
  CatalogGroup& g = load(kShop);
  g.group.workDir = home();
  cgi.home().write("log199902.dat", "");
  cgi.home().write("log199903.dat", "");
  CatalogFileList list;
  catalogFiles().addAllCatalogs(list);
  EXPECT_EQ(names(list), "orders archive visits199903 visits199902 ");
}

TEST_F(CatalogFiles, AddUniqueComparesNamesExactly) {
  CatalogFileList list;
  addUnique(list, CatalogFile{"a", nullptr, "1", ""});
  addUnique(list, CatalogFile{"a", nullptr, "2", ""});
  addUnique(list, CatalogFile{"A", nullptr, "3", ""});
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].path, "1");
  EXPECT_EQ(list[1].path, "3");
}

}  // namespace

TEST(UploadFolder, NamedAfterCatalogAndLabelInLowerCase) {
  struct Case {
    const char* catalog;
    const char* label;
    const char* folder;
  } cases[] = {
      {"/srv/d/Orders.DAT", "ORD-7", "/srv/d/orders.files/ord-7/"},
      {"/srv/d/log", "7", "/srv/d/log.files/7/"},
      {"/srv/d.x/log", "a/../b", "/srv/d.x/log.files/a____b/"},
      {"/srv/d/v.dat", ".", "/srv/d/v.files/_/"},
      {"/srv/d/v.dat", "", "/srv/d/v.files/_/"},
  };
  for (const Case& c : cases) EXPECT_EQ(recordUploadFolder(c.catalog, c.label), c.folder);
}
