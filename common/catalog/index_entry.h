// Index files, writer and reader side by side: where the index of a catalog
// file lies and the entries it holds.
//
// A private index lies beside its catalog file (orders.dat: orders.idx; each
// member of a series has its own), the common index of a group beside the
// group file (shop.grp: shop.idx). The bytes: one line per record, in the
// order the index keeps the records, words separated by single spaces:
//
//   ORD-3 order 0                   label, form name, offset
//   ORD-4 order orders 70 ORD-1     in a common index the catalog's name
//                                   after the form; a reference label last
//
// The offset is the position of the record's first byte in its catalog
// file. The reference label is the rest of the line and may hold spaces;
// a line break in any text is written as a space.
#pragma once

#include <optional>
#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/catalog/line_source.h"
#include "common/settings/group_entries.h"
#include "common/text/text.h"

struct IndexEntry {
  Text label;
  Text formName;
  Text catalogName;  // empty in a private index
  long offset = 0;
  Text refLabel;  // the rest of the line: may hold spaces
};

// The index file that lists the records of `file` in a group whose index
// mode is `mode` and whose group file is `groupPath`; empty without index.
// It is the catalog file itself when that ends in ".idx": each caller
// decides what such a catalog may do.
Text indexPathOf(ShareMode mode, const Text& groupPath, const CatalogFile& file);
// The two places it names.
Text privateIndexPath(const Text& catalogPath);
Text commonIndexPath(const Text& groupPath);

// Whether the entries of an index of that mode name their catalog.
inline bool entriesNameCatalog(ShareMode mode) { return mode == ShareMode::Common; }

// Appends the entry's line, with its line feed, to `out`; the catalog name
// only `withCatalog`.
void appendIndexEntry(Text& out, const IndexEntry& entry, bool withCatalog);

// Splits one entry line (without its line feed) at spaces: label, form name,
// the catalog name when `withCatalog`, the offset (0 when it is not a
// number) and the reference label after the next space. A missing word
// reads as empty text.
IndexEntry parseIndexEntry(std::string_view line, bool withCatalog);

// The next entry of `lines`; none at the end of the input.
std::optional<IndexEntry> readIndexEntry(LineSource& lines, bool withCatalog);
