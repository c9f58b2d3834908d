// Removing records of a group for good, with everything that holds their
// content: their bytes in the catalog file, their index entries, their
// upload folders (off the group's upload total) and their mails not yet
// sent. An administrator's erasure takes one record, an expiry many, or a
// whole series member at once. The files change under the group's lock,
// each replaced whole through a temporary file.
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/catalog/record_spans.h"
#include "common/settings/group_entries.h"
#include "common/text/text.h"

// The catalog file whose records go, and what its group keeps beside it.
struct RemovalPlace {
  Text home;       // its outbox
  Text groupName;  // as kalder.ini spells it: what the outbox files mails under
  Text groupPath;
  ShareMode indexMode = ShareMode::None;
  const CatalogFile* file = nullptr;

  // The index file that lists the file's records; empty without one.
  Text indexPath() const;
};

// Takes the spans out of the file and its index, then removes the records'
// upload folders and mails. Empty when all went well, else the path of the
// file that could not be written: nothing changed when it is the catalog's.
// REQUIRES: the group's lock is held, and the spans were found under it.
Text removeRecords(const RemovalPlace& place, const RecordSpans& spans);

// Removes the whole file: its private index or its entries of the common
// index, its upload folder and the mails of its records. Empty or the path
// that could not be changed, as removeRecords. REQUIRES: the group's lock.
Text removeCatalogFile(const RemovalPlace& place);
