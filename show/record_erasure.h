// Erasing records for good, as a site must when a person asks for their
// data to be removed: a confirmation page, then, under the group lock, the
// records taken out of their catalog file, their index entries, their
// uploaded files and their unsent mails removed
// (common/storing/record_removal.h), and a line each in the log of
// deletions (never the content).
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/catalog/record_spans.h"
#include "common/storing/deletion_log.h"
#include "common/text/text.h"

class ShowApplication;
struct ViewTarget;

// Erases records of the request's group and logs each erasure. The log is
// opened first, so no erasure goes unlogged: a log that cannot be opened
// ends the request before anything is erased. REQUIRES: the caller holds
// the group lock for the eraser's whole life.
class RecordEraser {
 public:
  explicit RecordEraser(ShowApplication& app);

  // Takes the records `spans` of `file` (in file order; an end of -1 runs
  // to the end of the file) out of the file and of its index in one rewrite
  // of each, removes their uploads and their mails not yet sent, and logs
  // each. A file that cannot be rewritten ends the request.
  void eraseFromFile(const CatalogFile& file, RecordSpans spans);
  // Logs a record erased elsewhere (from the quarantine).
  void logErasure(const Text& catalog, const Text& label);

 private:
  ShowApplication& app_;
  DeletionLog log_;
};

// Asks for confirmation, or erases when the request carries it (the posted
// field "confirm" holding the label). An unknown label is "Record ... not
// found".
void writeErasurePage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);
