// Storing a record in one of the six ways: appended, put first or put at its
// sorted place, in the data file itself or through the catalog's index. A
// file that changes in its middle is rewritten through its temporary file,
// which replaces it only when every write succeeded.
#include <unistd.h>

#include "common/cgi/path.h"
#include "common/cgi/request_ended.h"
#include "insert/sort_order.h"
#include "insert/submit_application.h"

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

void writeText(std::FILE* file, const Text& text) {
  std::fwrite(text.c_str(), 1, text.str().size(), file);
}

}  // namespace

void SubmitApplication::storeRecord(const CatalogFile& target, const Text& formName,
                                    const Text& label, const Text& refLabel) {
  if (changesMode != ShareMode::None) return;  // records go to a transaction file, kept elsewhere
  if (indexMode == ShareMode::None) {
    if (insertMode == InsertMode::End) {
      appendRecord(target, formName, label, refLabel);
      return;
    }
    rewriteThroughTemp(target.path, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeRecord(temp, label, formName, refLabel);
      } else {
        mergeRecords(old, temp, formName, label, refLabel);
      }
    });
    return;
  }
  long offset = appendRecord(target, formName, label, refLabel);
  Text indexPath = withExtension(indexMode == ShareMode::Common ? groupPath : target.path, "idx");
  try {
    if (insertMode == InsertMode::End) {
      appendIndexEntry(indexPath, target, formName, label, offset, refLabel);
      return;
    }
    rewriteThroughTemp(indexPath, [&](std::FILE* old, std::FILE* temp) {
      if (insertMode == InsertMode::Start) {
        writeIndexEntry(temp, label, formName, target, offset, refLabel);
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

long SubmitApplication::appendRecord(const CatalogFile& target, const Text& formName,
                                     const Text& label, const Text& refLabel) {
  FilePtr file = openAppend(target.path);
  long start = std::ftell(file.get());
  long offset = writeRecord(file.get(), label, formName, refLabel);
  finishAppend(file, target.path, start);
  return offset;
}

void SubmitApplication::appendIndexEntry(const Text& indexPath, const CatalogFile& target,
                                         const Text& formName, const Text& label, long offset,
                                         const Text& refLabel) {
  FilePtr file = openAppend(indexPath);
  long start = std::ftell(file.get());
  writeIndexEntry(file.get(), label, formName, target, offset, refLabel);
  finishAppend(file, indexPath, start);
}

void SubmitApplication::finishAppend(FilePtr& file, const Text& path, long start) {
  bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
  int fd = dup(fileno(file.get()));
  bool closed = std::fclose(file.release()) == 0;
  if (!(written && closed) && fd >= 0) {
    // Whatever part of the record reached the file is cut off again, so the
    // catalog never ends in half a record.
    if (ftruncate(fd, start) != 0) {
      // Nothing more can be done here; the error page follows.
    }
  }
  if (fd >= 0) close(fd);
  if (!(written && closed)) fatal(messages::kOpenFailed, path);
}

void SubmitApplication::rewriteThroughTemp(
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

Text SubmitApplication::newSortKey() const {
  const Param* field = postParams().find(sortField);
  return field ? field->value : Text();
}

// Old records are copied while they go before the new one; the first that
// does not is held back and written after it.
void SubmitApplication::mergeRecords(std::FILE* old, std::FILE* temp, const Text& formName,
                                     const Text& label, const Text& refLabel) {
  Text newKey = newSortKey();
  ParamList fields;
  Text heldBack;
  for (;;) {
    Text record = readRecord(old, fields);
    if (record.empty()) break;
    if (!goesBefore(fields.value(sortField), newKey, sortNumeric, sortReverse)) {
      heldBack = record;
      break;
    }
    writeText(temp, record);
  }
  writeRecord(temp, label, formName, refLabel);
  writeText(temp, heldBack);
}

void SubmitApplication::mergeIndexEntries(std::FILE* old, std::FILE* temp,
                                          const CatalogFile& target, const Text& formName,
                                          const Text& label, long offset, const Text& refLabel) {
  FilePtr data = openRead(target.path, OpenMode::Required);
  Text newKey = newSortKey();
  ParamList fields;
  Text heldBack;
  for (;;) {
    Text entryLabel, entryForm, entryCatalog, entryRefLabel;
    long entryOffset = 0;
    Text entry = readIndexEntry(old, entryLabel, entryForm, entryCatalog, entryOffset, entryRefLabel);
    if (entry.empty()) break;
    bool otherCatalog = indexMode == ShareMode::Common && entryCatalog != target.name;
    if (!otherCatalog) {
      // An offset that points nowhere reads as a record without fields.
      if (entryOffset < 0 || std::fseek(data.get(), entryOffset, SEEK_SET) != 0) {
        fields.clear();
      } else {
        readRecord(data.get(), fields);
      }
      if (!goesBefore(fields.value(sortField), newKey, sortNumeric, sortReverse)) {
        heldBack = entry;
        break;
      }
    }
    writeText(temp, entry);
  }
  closeFile(data);
  writeIndexEntry(temp, label, formName, target, offset, refLabel);
  writeText(temp, heldBack);
}
