// readIndexEntry over any index file, private and common: every entry read
// consumes one line and is what that line parses to, and an entry written
// back from what was read parses to the same entry.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/catalog/index_entry.h"
#include "fuzz/harness/fuzz_support.h"
#include "fuzz/harness/record_harness.h"

namespace fuzz {

inline bool sameEntry(const IndexEntry& a, const IndexEntry& b) {
  return a.label == b.label && a.formName == b.formName && a.catalogName == b.catalogName &&
         a.offset == b.offset && a.refLabel == b.refLabel;
}

// Reads every entry of the index file at `path` (whose bytes are `index`).
inline std::string readEveryEntry(bool common, const std::string& path, const std::string& index) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  FileLines lines(file);
  std::string problem;
  for (size_t entries = 0; entries <= index.size() + 1 && problem.empty(); ++entries) {
    long start = std::ftell(file);
    std::optional<IndexEntry> read = readIndexEntry(lines, common);
    long end = std::ftell(file);
    if (!read) {
      if (static_cast<size_t>(start) != index.size()) problem = "an entry left unread";
      break;
    }
    std::string line = asRecordText(index.substr(start, end - start));
    line.pop_back();
    if (end <= start)
      problem = "an entry that consumed nothing";
    else if (!sameEntry(*read, parseIndexEntry(line, common)))
      problem = "entry differs from the line read: " + line;
    if (!problem.empty() || line.find('\r') != std::string::npos) continue;
    // Written back and parsed again, the entry stays what it was.
    Text again;
    appendIndexEntry(again, *read, common);
    std::string_view written = again.view().substr(0, again.str().size() - 1);
    if (!sameEntry(*read, parseIndexEntry(written, common)))
      problem = "entry changes when written back: " + again.str();
  }
  std::fclose(file);
  return problem;
}

// Input: a first byte whose lowest bit picks the common index, then the index
// file.
inline std::string fuzzIndexEntries(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  std::string index(data);
  std::string path = home.file("fuzz.idx");
  writeFile(path, index);
  return readEveryEntry(selector & 1, path, index);
}

}  // namespace fuzz
