// Copying a catalog and its index without some records: the bytes between
// the spans kept, the entries of later records moved back, the entries of
// other catalogs of a common index kept byte for byte.
#include "common/catalog/record_spans.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::FILE* fileWith(const std::string& content) {
  std::FILE* file = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), file);
  std::rewind(file);
  return file;
}

std::string contentOf(std::FILE* file) {
  std::rewind(file);
  std::string content;
  char buffer[256];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    content.append(buffer, got);
  std::fclose(file);
  return content;
}

// Records of 10, 20, 10 and 5 bytes at 0, 10, 30 and 40.
const std::string kCatalog = "A-1 ....\n\nA-2 ..............\n\nA-3 ....\n\nA-4\n\n";

RecordSpans spans(std::initializer_list<RecordSpan> list) { return RecordSpans(list); }

TEST(RecordSpans, CatalogKeepsTheBytesBetweenTheSpans) {
  struct Case {
    RecordSpans spans;
    std::string kept;
  } cases[] = {
      {spans({}), kCatalog},
      {spans({{0, 10, Text("A-1")}}), kCatalog.substr(10)},
      {spans({{10, 30, Text("A-2")}, {40, 45, Text("A-4")}}),
       kCatalog.substr(0, 10) + "A-3 ....\n\n"},
      {spans({{0, 10, Text("A-1")},
              {10, 30, Text("A-2")},
              {30, 40, Text("A-3")},
              {40, 45, Text("A-4")}}),
       ""},
  };
  for (const Case& c : cases) {
    std::FILE* from = fileWith(kCatalog);
    std::FILE* to = std::tmpfile();
    EXPECT_TRUE(copyCatalogWithout(from, to, c.spans));
    std::fclose(from);
    EXPECT_EQ(contentOf(to), c.kept);
  }
}

TEST(RecordSpans, PrivateIndexLosesTheEntriesAndMovesTheLaterOnesBack) {
  std::FILE* from = fileWith("A-4 f 40\nA-2 f 10 R 1\nA-1 f 0\nA-3 f 30\n");
  std::FILE* to = std::tmpfile();
  EXPECT_TRUE(copyIndexWithout(from, to, false, "x",
                               spans({{10, 30, Text("A-2")}, {30, 40, Text("A-3")}})));
  std::fclose(from);
  EXPECT_EQ(contentOf(to), "A-4 f 10\nA-1 f 0\n");
}

TEST(RecordSpans, CommonIndexKeepsOtherCatalogsByteForByte) {
  std::string index =
      "A-1 f a 0\nB-1 f  b  10 odd  spacing\nA-3 f a 30 R-9\nA-2 f A 10\nB-2 f b 40\n";
  std::FILE* from = fileWith(index);
  std::FILE* to = std::tmpfile();
  EXPECT_TRUE(copyIndexWithout(from, to, true, "a", spans({{10, 30, Text("A-2")}})));
  std::fclose(from);
  EXPECT_EQ(contentOf(to), "A-1 f a 0\nB-1 f  b  10 odd  spacing\nA-3 f a 10 R-9\nB-2 f b 40\n");

  from = fileWith(index);
  to = std::tmpfile();
  EXPECT_TRUE(copyIndexWithoutCatalog(from, to, "A"));
  std::fclose(from);
  EXPECT_EQ(contentOf(to), "B-1 f  b  10 odd  spacing\nB-2 f b 40\n");
}

// An entry at a span's offset with another label is an index out of step:
// it stays, as the record now there is a later one.
TEST(RecordSpans, AnEntryOutOfStepStays) {
  std::FILE* from = fileWith("A-9 f 10\nA-3 f 30\n");
  std::FILE* to = std::tmpfile();
  EXPECT_TRUE(copyIndexWithout(from, to, false, "", spans({{10, 30, Text("A-2")}})));
  std::fclose(from);
  EXPECT_EQ(contentOf(to), "A-9 f 10\nA-3 f 10\n");
}

}  // namespace
