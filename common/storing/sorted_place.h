// Where sorted insertion puts a new record or index entry: the byte offset
// in the old file of the first item that does not go before the new one
// (its size when every item does). Only the sort field of each record is
// read (SortKeyReader); the callers copy the bytes before that offset,
// write the new item and copy the rest.
#pragma once

#include <cstdio>
#include <string_view>

#include "common/settings/catalog_group.h"

// The group's catalog file `catalog`, scanned from its start record by
// record. A malformed record ends the request with "Error in data".
long sortedRecordPlace(CatalogGroup& app, std::FILE* catalog, std::string_view newKey);

// The index `index` of the catalog file `catalog`, scanned from its start
// entry by entry as the merge of the original design does: entries of other
// catalogs (in a common index, by exact name) pass without a comparison.
long scannedEntryPlace(CatalogGroup& app, std::FILE* index, std::FILE* catalog,
                       std::string_view catalogName, std::string_view newKey);

// The same place found by binary search, reading the keys of about log2 of
// the entries. REQUIRES: a private index in the order that sorted insertion
// keeps (and lunoder restores); there it gives exactly the scanned place.
long searchedEntryPlace(CatalogGroup& app, std::FILE* index, std::FILE* catalog,
                        std::string_view newKey);
