// Storing a record in one of the six ways: appended, put first or put at its
// sorted place, in the data file itself or through the catalog's index. A
// file that changes in its middle is rewritten through its temporary file,
// which replaces it only when every write succeeded.
#include <fcntl.h>
#include <unistd.h>

#include "common/catalog/index_entry.h"
#include "common/catalog/record_layout.h"
#include "common/cgi/request_ended.h"
#include "common/files/path.h"
#include "common/storing/record_storing.h"
#include "common/storing/sorted_place.h"

namespace {

Text withExtension(Text path, std::string_view extension) {
  setExtension(path, extension);
  return path;
}

void copyRest(std::FILE* from, std::FILE* to) {
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, from)) > 0) std::fwrite(buffer, 1, got, to);
}

void writeText(std::FILE* file, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

// Copies the first `count` bytes of `from` to `to`, leaving `from` right
// after them; returns the last (up to three) bytes copied.
std::string copyFront(std::FILE* from, long count, std::FILE* to) {
  std::rewind(from);
  char buffer[65536];
  std::string tail;
  while (count > 0) {
    size_t want =
        count < static_cast<long>(sizeof buffer) ? static_cast<size_t>(count) : sizeof buffer;
    size_t got = std::fread(buffer, 1, want, from);
    if (got == 0) break;
    std::fwrite(buffer, 1, got, to);
    count -= static_cast<long>(got);
    tail.append(buffer + (got > 3 ? got - 3 : 0), got > 3 ? 3 : got);
    if (tail.size() > 3) tail.erase(0, tail.size() - 3);
  }
  return tail;
}

// Records end with an empty line, index entries and delimited records with
// their line feed.
enum class Layout { Records, Lines };

// What an old file that ends in `tail` lacks for a new item to begin after
// it: the line feed of a last line without one and, after an item-form
// record, the empty line that ends it. Only the end of a file can lack them.
std::string_view missingEnd(std::string_view tail, Layout layout) {
  if (tail.empty()) return "";
  if (tail.back() != '\n') return layout == Layout::Records ? "\n\n" : "\n";
  if (layout == Layout::Lines) return "";
  tail.remove_suffix(1);
  if (!tail.empty() && tail.back() == '\r') tail.remove_suffix(1);
  return tail.empty() || tail.back() == '\n' ? "" : "\n";
}

}  // namespace

void RecordStoring::storeRecord(const CatalogFile& target, const Text& formName, const Text& label,
                                const Text& refLabel) {
  // Records of a group with changes go to a transaction file, kept elsewhere.
  if (group.changesMode != ShareMode::None) return;
  InsertMode insertMode = group.insertMode;
  Text indexPath = indexPathOf(group.indexMode, groupPath, target);
  if (indexPath.empty()) {
    if (insertMode == InsertMode::End) {
      appendRecord(target, formName, label, refLabel);
      return;
    }
    rewriteThroughTemp(target.path, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeRecord(temp, formName, label, refLabel);
      } else {
        mergeRecords(old, temp, formName, label, refLabel);
      }
    });
    return;
  }
  // A catalog file named like its own index would get the entries among its
  // records: refused, as the index builder refuses to write such an index.
  if (indexPath == target.path) fatal(messages::kCreateFailed, indexPath);
  long offset = appendRecord(target, formName, label, refLabel);
  try {
    if (insertMode == InsertMode::End) {
      appendIndexEntry(indexPath, target, formName, label, offset, refLabel);
      return;
    }
    rewriteThroughTemp(indexPath, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeIndexEntry(temp, target, formName, label, offset, refLabel);
      } else {
        mergeIndexEntries(old, temp, target, formName, label, offset, refLabel);
      }
    });
  } catch (const RequestEnded&) {
    // The record without its entry is taken back, so the catalog is as it
    // was and the failed submission leaves no record behind.
    if (truncate(target.path.c_str(), offset) != 0) {
      // Nothing more can be done; the error page is written already.
    }
    throw;
  }
}

long RecordStoring::appendRecord(const CatalogFile& target, const Text& formName, const Text& label,
                                 const Text& refLabel) {
  FilePtr file = openAppend(target.path);
  long start = std::ftell(file.get());
  long offset = writeRecord(file.get(), formName, label, refLabel);
  finishAppend(file, target.path, start);
  return offset;
}

void RecordStoring::appendIndexEntry(const Text& indexPath, const CatalogFile& target,
                                     const Text& formName, const Text& label, long offset,
                                     const Text& refLabel) {
  FilePtr file = openAppend(indexPath);
  long start = std::ftell(file.get());
  writeIndexEntry(file.get(), target, formName, label, offset, refLabel);
  finishAppend(file, indexPath, start);
}

long RecordStoring::writeRecord(std::FILE* file, const Text& formName, const Text& label,
                                const Text& refLabel) {
  long offset = std::ftell(file);
  AutomaticValues automatic = automaticValues(label, formName, submitterAddress(), today, refLabel);
  writeText(file, recordLayoutOf(group).recordText(automatic, postParams()));
  return offset;
}

void RecordStoring::writeIndexEntry(std::FILE* file, const CatalogFile& target,
                                    const Text& formName, const Text& label, long offset,
                                    const Text& refLabel) {
  Text line;
  ::appendIndexEntry(line, IndexEntry{label, formName, target.name, offset, refLabel},
                     entriesNameCatalog(group.indexMode));
  writeText(file, line);
}

void RecordStoring::finishAppend(FilePtr& file, const Text& path, long start) {
  bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
  int fd = fcntl(fileno(file.get()), F_DUPFD_CLOEXEC, 0);
  bool closed = std::fclose(file.release()) == 0;
  if (!(written && closed) && fd >= 0) {
    // Whatever part of the record reached the file is cut off again, so the
    // catalog never ends in half a record.
    if (ftruncate(fd, start) != 0) {
      // Nothing more can be done here; the error page follows.
    }
  }
  if (!(written && closed)) {
    if (fd >= 0) close(fd);
    fatal(messages::kOpenFailed, path);
  }
  if (fd >= 0) appended_.add(fd, path);
}

void RecordStoring::flushStored() {
  Text failed = appended_.flush();
  if (!failed.empty()) fatal(messages::kOpenFailed, failed);
}

void RecordStoring::rewriteThroughTemp(
    const Text& path, const std::function<void(std::FILE* old, std::FILE* temp)>& writeFront) {
  FilePtr old = openRead(path, OpenMode::CreateIfMissing);
  if (!old) fatal(messages::kOpenFailed, path);
  Text tempPath = withExtension(path, "tmp");
  AtomicFile temp;
  openReplacement(temp, path, tempPath, tempPath);
  writeFront(old.get(), temp.file());
  copyRest(old.get(), temp.file());
  if (std::ferror(old.get())) fatal(messages::kOpenFailed, path);
  closeFile(old);
  commitReplacement(temp, tempPath);
}

Text RecordStoring::newSortKey() const {
  const Param* field = postParams().find(group.sortField);
  return field ? field->value : Text();
}

// The old records that go before the new one are copied as they are, up to
// the place the scan finds; the rest follows unchanged (rewriteThroughTemp).
void RecordStoring::mergeRecords(std::FILE* old, std::FILE* temp, const Text& formName,
                                 const Text& label, const Text& refLabel) {
  long place = sortedRecordPlace(*this, old, newSortKey());
  std::string tail = copyFront(old, place, temp);
  writeText(temp, missingEnd(tail, group.dataFields.empty() ? Layout::Records : Layout::Lines));
  writeRecord(temp, formName, label, refLabel);
}

// A private index is kept in sorted order, so its place is searched; in a
// common index the entries of one catalog are in order only among
// themselves, so the scan passes the others.
void RecordStoring::mergeIndexEntries(std::FILE* old, std::FILE* temp, const CatalogFile& target,
                                      const Text& formName, const Text& label, long offset,
                                      const Text& refLabel) {
  FilePtr data = openRead(target.path, OpenMode::Required);
  Text newKey = newSortKey();
  long place = group.indexMode == ShareMode::Common
                   ? scannedEntryPlace(*this, old, data.get(), target.name, newKey)
                   : searchedEntryPlace(*this, old, data.get(), newKey);
  closeFile(data);
  std::string tail = copyFront(old, place, temp);
  writeText(temp, missingEnd(tail, Layout::Lines));
  writeIndexEntry(temp, target, formName, label, offset, refLabel);
}
