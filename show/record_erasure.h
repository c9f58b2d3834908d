// Erasing records for good, as a site must when a person asks for their
// data to be removed: a confirmation page, then, under the group lock, the
// record taken out of its catalog file, its index entry and its uploaded
// files removed, and a line in the log of deletions (never the content).
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/text/list.h"
#include "common/text/text.h"

class ShowApplication;
struct ViewTarget;

// The log of deletions, in the home: one line per erased record,
// "YYYY-MM-DD HH:MM<TAB>group<TAB>catalog<TAB>label<TAB>address".
inline constexpr const char* kDeletionLogName = "deletions.log";

// The bytes a record takes in its file: from its first byte to the first
// byte of the next record (blank lines between them go with it).
struct RecordSpan {
  const CatalogFile* file = nullptr;
  long offset = 0;
  long end = -1;  // -1: to the end of the file
  Text label;
};

// Erases records and logs each erasure. The log is opened first, so no
// erasure goes unlogged: a log that cannot be opened ends the request
// before anything is erased. REQUIRES: the caller holds the group lock for
// the eraser's whole life.
class RecordEraser {
 public:
  explicit RecordEraser(ShowApplication& app);
  ~RecordEraser();
  RecordEraser(const RecordEraser&) = delete;
  RecordEraser& operator=(const RecordEraser&) = delete;

  // Takes the records `spans` (all of one catalog file, in file order) out
  // of the file and of its index in one rewrite of each, removes their
  // uploads and their mails not yet sent, and logs each.
  void eraseFromFile(const List<RecordSpan>& spans);
  // Logs a record erased elsewhere (from the quarantine).
  void logErasure(const Text& catalog, const Text& label);
  // Flushes the log to disk; a log line that could not be written ends the
  // request with "Cannot create file".
  void finish();

 private:
  ShowApplication& app_;
  int log_ = -1;
  bool written_ = true;
};

// Asks for confirmation, or erases when the request carries it (the posted
// field "confirm" holding the label). An unknown label is "Record ... not
// found".
void writeErasurePage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);
