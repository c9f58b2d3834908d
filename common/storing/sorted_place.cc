// Finding the place of a new record or index entry by its sort key.
#include "common/storing/sorted_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "common/catalog/index_entry.h"
#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/catalog/sort_key.h"
#include "common/catalog/sort_order.h"

namespace {

// A record read at an offset is short next to a catalog: a small block.
constexpr size_t kProbeBlock = 8192;

// The sort keys of the records of one catalog file, read at their offsets.
class KeysAt {
 public:
  KeysAt(CatalogGroup& app, std::FILE* catalog)
      : app_(app), catalog_(catalog), reader_(recordLayoutOf(app.group), app.group.sortField) {}

  // An offset that points nowhere reads as a record without fields.
  Text at(long offset) {
    Text key;
    if (offset < 0 || std::fseek(catalog_, offset, SEEK_SET) != 0) return key;
    BlockLines lines(catalog_, kProbeBlock);
    if (reader_.next(lines, key) == RecordRead::Malformed) app_.fatal(messages::kBadRecord);
    return key;
  }

 private:
  CatalogGroup& app_;
  std::FILE* catalog_;
  SortKeyReader reader_;
};

// True when the old item stays before the new one by the group's order.
bool staysBefore(const GroupDescription& group, std::string_view oldKey, std::string_view newKey) {
  return goesBefore(oldKey, newKey, group.sortNumeric, group.sortReverse);
}

// Lines of a file read at any byte position, without moving its stdio
// stream.
class LinesAt {
 public:
  explicit LinesAt(std::FILE* file) : fd_(fileno(file)) {
    struct stat info;
    size_ = fstat(fd_, &info) == 0 ? static_cast<long>(info.st_size) : 0;
  }
  long size() const { return size_; }

  // Where the first line that begins at or after `pos` begins; size() when
  // no line does.
  long lineStartFrom(long pos) {
    if (pos <= 0) return 0;
    long lineFeed = find('\n', pos - 1);
    return lineFeed < 0 ? size_ : lineFeed + 1;
  }

  // The line that begins at `start`, without its line end as a line source
  // cuts it; returns where the next line begins.
  long lineAt(long start, std::string& line) {
    long lineFeed = find('\n', start);
    long stop = lineFeed < 0 ? size_ : lineFeed;
    line.resize(static_cast<size_t>(stop - start));
    if (pread(fd_, line.data(), line.size(), start) != static_cast<ssize_t>(line.size()))
      line.clear();
    if (lineFeed >= 0 && !line.empty() && line.back() == '\r') line.pop_back();
    return lineFeed < 0 ? size_ : lineFeed + 1;
  }

 private:
  // The position of the first `c` at or after `from`, or -1.
  long find(char c, long from) {
    char buffer[512];
    while (from < size_) {
      ssize_t got = pread(fd_, buffer, sizeof buffer, from);
      if (got <= 0) return -1;
      for (ssize_t i = 0; i < got; ++i)
        if (buffer[i] == c) return from + i;
      from += got;
    }
    return -1;
  }

  int fd_;
  long size_ = 0;
};

}  // namespace

long sortedRecordPlace(CatalogGroup& app, std::FILE* catalog, std::string_view newKey) {
  std::rewind(catalog);
  BlockLines lines(catalog);
  SortKeyReader reader(recordLayoutOf(app.group), app.group.sortField);
  Text key;
  for (;;) {
    long start = lines.offset();
    RecordRead read = reader.next(lines, key);
    if (read == RecordRead::End) return start;
    if (read == RecordRead::Malformed) app.fatal(messages::kBadRecord);
    if (!staysBefore(app.group, key, newKey)) return start;
  }
}

long scannedEntryPlace(CatalogGroup& app, std::FILE* index, std::FILE* catalog,
                       std::string_view catalogName, std::string_view newKey) {
  std::rewind(index);
  BlockLines lines(index);
  KeysAt keys(app, catalog);
  bool common = entriesNameCatalog(app.group.indexMode);
  for (;;) {
    long start = lines.offset();
    std::optional<IndexEntry> entry = readIndexEntry(lines, common);
    if (!entry) return start;
    if (common && entry->catalogName != catalogName) continue;
    if (!staysBefore(app.group, keys.at(entry->offset), newKey)) return start;
  }
}

// Every line before `low` goes before the new entry, none from `high` on;
// each probe reads the line at (or just after) the middle byte.
long searchedEntryPlace(CatalogGroup& app, std::FILE* index, std::FILE* catalog,
                        std::string_view newKey) {
  LinesAt lines(index);
  KeysAt keys(app, catalog);
  std::string line;
  long low = 0, high = lines.size();
  while (low < high) {
    long start = lines.lineStartFrom(low + (high - low) / 2);
    if (start >= high) start = low;
    long after = lines.lineAt(start, line);
    IndexEntry entry = parseIndexEntry(line, false);
    if (staysBefore(app.group, keys.at(entry.offset), newKey)) {
      low = after;
    } else {
      high = start;
    }
  }
  return low;
}
