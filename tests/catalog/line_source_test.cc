// Line sources: the lines handed out and the offsets counted for them.
#include "common/catalog/line_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "group_fixture.h"

namespace {

std::vector<std::string> allLines(LineSource& source) {
  std::vector<std::string> lines;
  std::string_view line;
  while (source.next(line)) lines.emplace_back(line);
  return lines;
}

const char kText[] = "a\r\n\nbc\rd\nlast\r";

TEST(FileLinesSource, TextModeLinesAndPosition) {
  ScratchFile file(kText);
  FileLines lines(file.get());
  std::string_view line;
  ASSERT_TRUE(lines.next(line));
  EXPECT_EQ(line, "a");
  EXPECT_EQ(std::ftell(file.get()), 3);
  EXPECT_EQ(allLines(lines), (std::vector<std::string>{"", "bc\rd", "last\r"}));
}

TEST(BlockLinesSource, SameLinesAndOffsetsWithTinyBlocks) {
  for (size_t block : {1u, 2u, 3u, 64u}) {
    ScratchFile file(kText);
    BlockLines lines(file.get(), block);
    std::string_view line;
    std::vector<long> offsets{lines.offset()};
    std::vector<std::string> got;
    while (lines.next(line)) {
      got.emplace_back(line);
      offsets.push_back(lines.offset());
    }
    EXPECT_EQ(got, (std::vector<std::string>{"a", "", "bc\rd", "last\r"})) << block;
    EXPECT_EQ(offsets, (std::vector<long>{0, 3, 4, 9, 14})) << block;
  }
}

TEST(BlockLinesSource, StartsAtTheFilePosition) {
  ScratchFile file("skip\nkeep\n");
  std::fseek(file.get(), 5, SEEK_SET);
  BlockLines lines(file.get(), 4);
  EXPECT_EQ(lines.offset(), 5);
  EXPECT_EQ(allLines(lines), (std::vector<std::string>{"keep"}));
  EXPECT_EQ(lines.offset(), 10);
}

// peek() shows the start of the line that next() would return, and skip()
// passes it; both keep the offsets next() counts, whatever the block size.
TEST(BlockLinesSource, PeekAndSkipAgreeWithNext) {
  const char text[] = "abc\r\n\nabcd\nlonger line\r\n\r\nab\rc\nlast\r";
  for (size_t block : {1u, 2u, 3u, 5u, 64u}) {
    for (size_t limit : {0u, 1u, 3u, 4u, 20u}) {
      ScratchFile whole(text), peeked(text);
      BlockLines reference(whole.get(), block), lines(peeked.get(), block);
      std::string_view expected, start;
      bool isWhole = false;
      for (int i = 0; reference.next(expected); ++i) {
        ASSERT_TRUE(lines.peek(start, limit, isWhole)) << block << " " << limit;
        EXPECT_EQ(isWhole, expected.size() <= limit) << expected;
        EXPECT_EQ(start, expected.substr(0, limit)) << block << " " << limit;
        ASSERT_TRUE(lines.skip());
        EXPECT_EQ(lines.offset(), reference.offset());
      }
      EXPECT_FALSE(lines.peek(start, limit, isWhole));
      EXPECT_FALSE(lines.skip());
    }
  }
}

TEST(BlockLinesSource, SkipPassesALineLongerThanTheBlockWithoutKeepingIt) {
  std::string longLine(100000, 'x');
  ScratchFile file(longLine + "\nnext\n");
  BlockLines lines(file.get(), 16);
  std::string_view start;
  bool whole = true;
  ASSERT_TRUE(lines.peek(start, 4, whole));
  EXPECT_EQ(start, "xxxx");
  EXPECT_FALSE(whole);
  ASSERT_TRUE(lines.skip());
  EXPECT_EQ(lines.offset(), 100001);
  std::string_view line;
  ASSERT_TRUE(lines.next(line));
  EXPECT_EQ(line, "next");
}

TEST(BlockLinesSource, EmptyFileHasNoLines) {
  ScratchFile file;
  BlockLines lines(file.get());
  std::string_view line;
  EXPECT_FALSE(lines.next(line));
  EXPECT_FALSE(lines.next(line));
}

}  // namespace
