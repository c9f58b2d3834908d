// readIndexEntry over any index file, private and common: every entry read
// returns the line it consumed, and an entry written back from what was
// read parses to the same entry.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/catalog/index_entry.h"
#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "fuzz/harness/fuzz_support.h"
#include "fuzz/harness/record_harness.h"

namespace fuzz {

inline bool sameEntry(const IndexEntry& a, const IndexEntry& b) {
  return a.label == b.label && a.formName == b.formName && a.catalogName == b.catalogName &&
         a.offset == b.offset && a.refLabel == b.refLabel;
}

// Reads every entry of the index file at `path` (whose bytes are `index`).
inline std::string readEveryEntry(CatalogGroup& group, const std::string& path,
                                  const std::string& index) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  bool common = group.indexMode == ShareMode::Common;
  std::string problem;
  for (size_t entries = 0; entries <= index.size() + 1 && problem.empty(); ++entries) {
    long start = std::ftell(file);
    Text label, formName, catalogName, refLabel;
    long offset = -7;
    Text line = group.readIndexEntry(file, label, formName, catalogName, offset, refLabel);
    long end = std::ftell(file);
    if (line.empty()) {
      if (offset != -7) problem = "outputs set at the end of the file";
      break;
    }
    if (end <= start)
      problem = "an entry that consumed nothing";
    else if (line.str() != asRecordText(index.substr(start, end - start)))
      problem = "entry text differs from the line read: " + line.str();
    if (!problem.empty() || line.contains('\r')) continue;
    // Written back and parsed again, the entry stays what it was.
    IndexEntry read{label, formName, catalogName, offset, refLabel};
    Text again;
    appendIndexEntry(again, label, formName, common, catalogName, offset, refLabel);
    std::string_view written = again.view().substr(0, again.str().size() - 1);
    if (!sameEntry(read, parseIndexEntry(written, common)))
      problem = "entry changes when written back: " + again.str();
  }
  std::fclose(file);
  return problem;
}

// Input: a first byte whose lowest bit picks the common index, then the index
// file.
inline std::string fuzzIndexEntries(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  FuzzRequest request;
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  std::string problem;
  try {
    CatalogGroup group;
    group.indexMode = (selector & 1) ? ShareMode::Common : ShareMode::Private;
    std::string index(data);
    std::string path = home.file("fuzz.idx");
    writeFile(path, index);
    problem = readEveryEntry(group, path, index);
  } catch (const RequestEnded&) {
    problem = "reading an index ended the request";
  }
  return problem;
}

}  // namespace fuzz
