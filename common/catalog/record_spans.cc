// Copying a catalog file and its index without some of its records.
#include "common/catalog/record_spans.h"

#include <algorithm>

#include "common/catalog/index_entry.h"
#include "common/catalog/line_source.h"

namespace {

constexpr size_t kFlushSize = 64 * 1024;

// Copies `count` bytes (all that is left when negative).
bool copyBytes(std::FILE* from, std::FILE* to, long count) {
  char buffer[64 * 1024];
  while (count != 0) {
    size_t want = count < 0 ? sizeof buffer : std::min<size_t>(sizeof buffer, count);
    size_t got = std::fread(buffer, 1, want, from);
    if (got == 0) return count < 0 && !std::ferror(from);
    if (std::fwrite(buffer, 1, got, to) != got) return false;
    if (count > 0) count -= static_cast<long>(got);
  }
  return true;
}

bool flushTo(std::FILE* file, Text& out) {
  bool written = std::fwrite(out.c_str(), 1, out.str().size(), file) == out.str().size();
  out = Text();
  return written;
}

// Copies the lines of the index `from` that copy(line, out) puts into `out`.
template <typename Keep>
bool copyIndexLines(std::FILE* from, std::FILE* to, Keep keep) {
  BlockLines lines(from);
  std::string_view line;
  Text out;
  while (lines.next(line)) {
    if (!keep(line, out)) continue;
    if (out.length() >= static_cast<long>(kFlushSize) && !flushTo(to, out)) return false;
  }
  return flushTo(to, out) && !std::ferror(from);
}

void copyLine(Text& out, std::string_view line) {
  out += line;
  out += "\n";
}

}  // namespace

bool copyCatalogWithout(std::FILE* from, std::FILE* to, const RecordSpans& spans) {
  long at = 0;
  for (const RecordSpan& span : spans) {
    if (!copyBytes(from, to, span.offset - at) || std::fseek(from, span.end, SEEK_SET) != 0)
      return false;
    at = span.end;
  }
  return copyBytes(from, to, -1);
}

bool copyIndexWithout(std::FILE* from, std::FILE* to, bool common, std::string_view catalogName,
                      const RecordSpans& spans) {
  // The bytes taken out before each span, for a binary search per entry.
  List<long> removedBefore;
  long removed = 0;
  for (const RecordSpan& span : spans) {
    removedBefore.push_back(removed);
    removed += span.length();
  }
  return copyIndexLines(from, to, [&](std::string_view line, Text& out) {
    IndexEntry entry = parseIndexEntry(line, common);
    bool ofThisFile = !line.empty() && (!common || entry.catalogName.equalsIgnoreCase(catalogName));
    if (!ofThisFile) {
      copyLine(out, line);
      return true;
    }
    auto after =
        std::upper_bound(spans.begin(), spans.end(), entry.offset,
                         [](long offset, const RecordSpan& span) { return offset < span.offset; });
    if (after == spans.begin()) {
      copyLine(out, line);
      return true;
    }
    size_t index = static_cast<size_t>(after - spans.begin()) - 1;
    const RecordSpan& span = spans[index];
    if (span.offset == entry.offset && span.label == entry.label) return true;
    long shift = removedBefore[index] + (entry.offset > span.offset ? span.length() : 0);
    if (shift == 0) {
      copyLine(out, line);
      return true;
    }
    entry.offset -= shift;
    appendIndexEntry(out, entry, common);
    return true;
  });
}

bool copyIndexWithoutCatalog(std::FILE* from, std::FILE* to, std::string_view catalogName) {
  return copyIndexLines(from, to, [&](std::string_view line, Text& out) {
    IndexEntry entry = parseIndexEntry(line, true);
    if (!line.empty() && entry.catalogName.equalsIgnoreCase(catalogName)) return true;
    copyLine(out, line);
    return true;
  });
}
