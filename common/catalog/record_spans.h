// Taking records out of a catalog file and its index for good (an erasure,
// an expiry): the file copied without the records' bytes, the index without
// their entries, and the entries of the file's later records moved back by
// the bytes taken out before them. Entries of other catalogs of a common
// index stay byte for byte. Both are copied a block at a time, so neither
// file is ever held in memory.
#pragma once

#include <cstdio>
#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

// The bytes a record takes in its file: from its first byte to the first
// byte of the next record (blank lines between them go with it).
struct RecordSpan {
  long offset = 0;
  long end = 0;  // the next record's offset, or the file's size
  Text label;

  long length() const { return end - offset; }
};
// In ascending order of offset, none overlapping.
using RecordSpans = List<RecordSpan>;

// Copies the catalog file `from`, read from its start, into `to` without the
// spans; false when a read or a write fails.
bool copyCatalogWithout(std::FILE* from, std::FILE* to, const RecordSpans& spans);

// Copies the index `from` into `to` for the catalog file whose spans these
// are (named `catalogName` in a common index, whose other entries are copied
// as they are): an entry that begins a span with its label is left out, a
// later one moves back by the bytes of the spans before it.
bool copyIndexWithout(std::FILE* from, std::FILE* to, bool common, std::string_view catalogName,
                      const RecordSpans& spans);

// Copies the common index `from` into `to` without any entry of the catalog
// `catalogName` (its file went whole).
bool copyIndexWithoutCatalog(std::FILE* from, std::FILE* to, std::string_view catalogName);
