// Storing a record in one of the six ways: appended, put first or put at its
// sorted place, in the data file itself or through the catalog's index. A
// file that changes in its middle is rewritten through its temporary file,
// which replaces it only when every write succeeded.
#include <fcntl.h>
#include <unistd.h>

#include "common/catalog/index_entry.h"
#include "common/catalog/record_fields.h"
#include "common/catalog/record_layout.h"
#include "common/cgi/request_ended.h"
#include "common/files/path.h"
#include "common/storing/record_store.h"
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

// The sort field's value of the new record.
Text newSortKey(const GroupDescription& group, const Submission& submission) {
  const Param* field = submission.fields.find(group.sortField);
  return field ? field->value : Text();
}

}  // namespace

void RecordStore::storeRecord(const Submission& submission) {
  const GroupDescription& group = app_.group;
  // Records of a group with changes go to a transaction file, kept elsewhere.
  if (group.changesMode != ShareMode::None) return;
  InsertMode insertMode = group.insertMode;
  const CatalogFile& target = submission.target;
  Text indexPath = indexPathOf(group.indexMode, app_.groupPath, target);
  if (indexPath.empty()) {
    if (insertMode == InsertMode::End) {
      appendRecord(submission);
      return;
    }
    rewriteThroughTemp(target.path, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeRecord(temp, submission);
      } else {
        mergeRecords(old, temp, submission);
      }
    });
    return;
  }
  // A catalog file named like its own index would get the entries among its
  // records: refused, as the index builder refuses to write such an index.
  if (indexPath == target.path) app_.fatal(messages::kCreateFailed, indexPath);
  long offset = appendRecord(submission);
  try {
    if (insertMode == InsertMode::End) {
      appendIndexEntry(indexPath, submission, offset);
      return;
    }
    rewriteThroughTemp(indexPath, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeIndexEntry(temp, submission, offset);
      } else {
        mergeIndexEntries(old, temp, submission, offset);
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

long RecordStore::appendRecord(const Submission& submission) {
  const Text& path = submission.target.path;
  FilePtr file = app_.openAppend(path);
  long start = std::ftell(file.get());
  long offset = writeRecord(file.get(), submission);
  finishAppend(file, path, start);
  return offset;
}

void RecordStore::appendIndexEntry(const Text& indexPath, const Submission& submission,
                                   long offset) {
  FilePtr file = app_.openAppend(indexPath);
  long start = std::ftell(file.get());
  writeIndexEntry(file.get(), submission, offset);
  finishAppend(file, indexPath, start);
}

long RecordStore::writeRecord(std::FILE* file, const Submission& submission) {
  long offset = std::ftell(file);
  RecordLayout layout = recordLayoutOf(app_.group);
  if (submission.language.empty() || layout.delimited()) {
    writeText(file, layout.recordText(submission.automatic(), submission.fields));
    return offset;
  }
  // After &REFLABEL: the first line after the automatic fields, as a held
  // record keeps it (opt_in.cc).
  ParamList fields = submission.fields;
  fields.insertBefore(0, kLanguageFieldName, submission.language.view());
  writeText(file, layout.recordText(submission.automatic(), fields));
  return offset;
}

void RecordStore::writeIndexEntry(std::FILE* file, const Submission& submission, long offset) {
  Text line;
  ::appendIndexEntry(line,
                     IndexEntry{submission.label, submission.formName, submission.target.name,
                                offset, submission.refLabel},
                     entriesNameCatalog(app_.group.indexMode));
  writeText(file, line);
}

void RecordStore::finishAppend(FilePtr& file, const Text& path, long start) {
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
    app_.fatal(messages::kOpenFailed, path);
  }
  if (fd >= 0) appended_.add(fd, path);
}

void RecordStore::flushStored() {
  Text failed = appended_.flush();
  if (!failed.empty()) app_.fatal(messages::kOpenFailed, failed);
}

void RecordStore::rewriteThroughTemp(
    const Text& path, const std::function<void(std::FILE* old, std::FILE* temp)>& writeFront) {
  FilePtr old = app_.openRead(path, OpenMode::CreateIfMissing);
  if (!old) app_.fatal(messages::kOpenFailed, path);
  Text tempPath = withExtension(path, "tmp");
  AtomicFile temp;
  app_.openReplacement(temp, path, tempPath, tempPath);
  writeFront(old.get(), temp.file());
  copyRest(old.get(), temp.file());
  if (std::ferror(old.get())) app_.fatal(messages::kOpenFailed, path);
  app_.closeFile(old);
  app_.commitReplacement(temp, tempPath);
}

// The old records that go before the new one are copied as they are, up to
// the place the scan finds; the rest follows unchanged (rewriteThroughTemp).
void RecordStore::mergeRecords(std::FILE* old, std::FILE* temp, const Submission& submission) {
  long place = sortedRecordPlace(app_, old, newSortKey(app_.group, submission));
  std::string tail = copyFront(old, place, temp);
  writeText(temp,
            missingEnd(tail, app_.group.dataFields.empty() ? Layout::Records : Layout::Lines));
  writeRecord(temp, submission);
}

// A private index is kept in sorted order, so its place is searched; in a
// common index the entries of one catalog are in order only among
// themselves, so the scan passes the others.
void RecordStore::mergeIndexEntries(std::FILE* old, std::FILE* temp, const Submission& submission,
                                    long offset) {
  FilePtr data = app_.openRead(submission.target.path, OpenMode::Required);
  Text newKey = newSortKey(app_.group, submission);
  long place = app_.group.indexMode == ShareMode::Common
                   ? scannedEntryPlace(app_, old, data.get(), submission.target.name, newKey)
                   : searchedEntryPlace(app_, old, data.get(), newKey);
  app_.closeFile(data);
  std::string tail = copyFront(old, place, temp);
  writeText(temp, missingEnd(tail, Layout::Lines));
  writeIndexEntry(temp, submission, offset);
}
