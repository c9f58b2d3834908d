// Labels from the counter and the counter line of the group description file.
#include "common/catalog/counter_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "group_fixture.h"

namespace {

TEST(CounterLine, FoundWithItsLineFeedOrNotAtAll) {
  size_t start = 0, length = 0;
  ASSERT_TRUE(findCounterLine("a=1\ncount=41\nb=2\n", start, length));
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(length, 9u);
  ASSERT_TRUE(findCounterLine("a=1\ncount=7", start, length));
  EXPECT_EQ(length, 7u);  // no line feed after it: the in-place write does not fit
  EXPECT_FALSE(findCounterLine("COUNT=7\n xcount=1\n", start, length));
}

TEST(CounterLine, ReplacesTheFirstLowerCaseCounterLine) {
  EXPECT_EQ(withCounterLine("a=1\ncount=41\nb=2\ncount=5\n", 42), "a=1\ncount=42\nb=2\ncount=5\n");
}

TEST(CounterLine, LongerNumberKeepsTheLinesAfterIt) {
  EXPECT_EQ(withCounterLine("count=99\nform=x\nlabel=Q-\n", 100), "count=100\nform=x\nlabel=Q-\n");
}

TEST(CounterLine, CapitalisedLineIsNotTheCounterLine) {
  EXPECT_EQ(withCounterLine("COUNT=7\n", 8), "COUNT=7\ncount=8\n");
  EXPECT_EQ(withCounterLine(" count=7\nxcount=1\n", 8), " count=7\nxcount=1\ncount=8\n");
}

TEST(CounterLine, AddedOnALineOfItsOwn) {
  EXPECT_EQ(withCounterLine("", 1), "count=1\n");
  EXPECT_EQ(withCounterLine("title=My shop", 1), "title=My shop\ncount=1\n");
}

TEST(CounterLine, CarriageReturnLineEndOfTheOldLineGoesWithIt) {
  EXPECT_EQ(withCounterLine("a=1\r\ncount=3\r\nb=2\r\n", 4), "a=1\r\ncount=4\nb=2\r\n");
  EXPECT_EQ(withCounterLine("count=3", 4), "count=4\n");
}

class Counter : public GroupFixture {};

TEST_F(Counter, LabelIsPrefixAndNextNumber) {
  CatalogGroup& g = load("label=Q-\ncount=41\n");
  EXPECT_EQ(g.nextLabel(), "Q-42");
  EXPECT_EQ(g.count, 42);
  g.labelPrefix = "";
  EXPECT_EQ(g.nextLabel(), "43");
}

TEST_F(Counter, SavedLineReadsBackAsTheNextCount) {
  CatalogGroup& g = load("description=Shop\ncount=99\nform=order\n");
  g.nextLabel();
  g.saveCounter();
  EXPECT_EQ(cgi.home().read("shop.grp"), "description=Shop\ncount=100\nform=order\n");
  CatalogGroup& again = load(cgi.home().read("shop.grp"));
  EXPECT_EQ(again.count, 100);
}

TEST_F(Counter, CapitalCounterLineGetsALowerCaseLineAfterIt) {
  CatalogGroup& g = load("COUNT=7\n");
  g.nextLabel();
  g.saveCounter();
  EXPECT_EQ(cgi.home().read("shop.grp"), "COUNT=7\ncount=8\n");
  EXPECT_EQ(load(cgi.home().read("shop.grp")).count, 8);
}

TEST_F(Counter, MissingGroupFileIsCreated) {
  CatalogGroup& g = load("");
  std::filesystem::remove(home("shop.grp"));
  g.count = 5;
  g.saveCounter();
  EXPECT_EQ(cgi.home().read("shop.grp"), "count=5\n");
}

TEST_F(Counter, NoTemporaryFileIsLeftBehind) {
  CatalogGroup& g = load("count=1\n");
  g.saveCounter();
  int files = 0;
  for (const auto& item : std::filesystem::directory_iterator(home())) {
    (void)item;
    ++files;
  }
  EXPECT_EQ(files, 2);  // kalder.ini and shop.grp
}

TEST_F(Counter, GroupFileThatCannotBeCreatedIsReported) {
  CatalogGroup& g = load("");
  g.groupPath = home("no/such/dir/shop.grp");
  std::string page = pageOfFatal([&] { g.saveCounter(); });
  EXPECT_NE(page.find("Cannot create file <tt>" + home("no/such/dir/shop.grp") + "</tt>"),
            std::string::npos)
      << page;
}

}  // namespace
