// The record value of an uploaded file: what a browser's file name becomes,
// and that only the value the writer made reads back as an entry, whatever
// the visitor's name holds.
#include "common/catalog/upload_entry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UploadEntry, HostileNamesRoundTripAndNeverForgeTheStoredPart) {
  struct Row {
    std::string sent;      // the filename parameter
    std::string original;  // what the record shows
  } rows[] = {
      {"report.pdf", "report.pdf"},
      {"../../x.html", "x.html"},
      {"C:\\Users\\ana\\cv.doc", "cv.doc"},
      {"a (f9.bin, 1 bytes)", "a (f9.bin, 1 bytes)"},
      {"line\r\nfeed\t.txt\x7f", "linefeed.txt"},
      {"dir/", "file"},
      {"", "file"},
      {std::string(300, 'a'), std::string(kMaxOriginalName, 'a')},
      // A two-byte letter across the bound is left out whole.
      {std::string(kMaxOriginalName - 1, 'a') + "\xC5\xA1", std::string(kMaxOriginalName - 1, 'a')},
  };
  for (const Row& row : rows) {
    UploadEntry entry{cleanOriginalName(row.sent), storedUploadName(12), 12345};
    EXPECT_EQ(entry.originalName.str(), row.original) << row.sent;
    std::optional<UploadEntry> read = parseUploadEntry(uploadEntryText(entry).view());
    ASSERT_TRUE(read) << row.sent;
    EXPECT_EQ(read->originalName.str(), row.original);
    EXPECT_EQ(read->storedName.str(), "f12.bin");
    EXPECT_EQ(read->size, 12345);
  }
}

TEST(UploadEntry, OnlyTheExactFormReads) {
  for (const char* value :
       {"a.pdf (f1.bin, 12 bytes)x", "a.pdf (f1.bin, 12 byte)", "a.pdf (f1.bin, 012 bytes)",
        "a.pdf (f1.bin, -1 bytes)", "a.pdf (f1.bin,12 bytes)", "a.pdf (../f1.bin, 1 bytes)",
        "a.pdf (f0.bin, 1 bytes)", "a.pdf (f123456.bin, 1 bytes)", "a.pdf (F1.BIN, 1 bytes)",
        " (f1.bin, 1 bytes)", "(f1.bin, 1 bytes)", "a.pdf (f1.bin, 1234567890123456 bytes)"})
    EXPECT_FALSE(parseUploadEntry(value)) << value;
  EXPECT_TRUE(parseUploadEntry("a (f10000.bin, 0 bytes)"));
}

}  // namespace
