// Reading the counter line of a group description file from disk.
#include "zorvik/group_counter.h"

#include <gtest/gtest.h>

#include "support/test_home.h"

TEST(CounterOnDisk, ReadsTheLastCountLineAsTheGroupReaderDoes) {
  TestHome home;
  home.write("g.grp", "form=x\ncount=5\nCOUNT=17abc\n#count=99\n count=98\ncounter=97\n");
  EXPECT_EQ(counterOnDisk(home.file("g.grp"), -1), 17);
}

TEST(CounterOnDisk, AFileWithoutCountLineHoldsZero) {
  TestHome home;
  home.write("g.grp", "form=x\n");
  EXPECT_EQ(counterOnDisk(home.file("g.grp"), 42), 0);
}

TEST(CounterOnDisk, AMissingFileGivesTheFallback) {
  TestHome home;
  EXPECT_EQ(counterOnDisk(home.file("none.grp"), 42), 42);
}

TEST(CounterOnDisk, ReadsCrLfLinesAndSigns) {
  TestHome home;
  home.write("g.grp", "count= -3\r\n");
  EXPECT_EQ(counterOnDisk(home.file("g.grp"), 0), -3);
}
