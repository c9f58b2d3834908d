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

TEST(BlockLinesSource, EmptyFileHasNoLines) {
  ScratchFile file;
  BlockLines lines(file.get());
  std::string_view line;
  EXPECT_FALSE(lines.next(line));
  EXPECT_FALSE(lines.next(line));
}

}  // namespace
