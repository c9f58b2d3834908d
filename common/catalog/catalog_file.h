// CatalogFile: one resolved catalog file, a plain catalog or one member of a
// series, and the list type that resolution fills.
#pragma once

#include "common/settings/group_entries.h"
#include "common/text/list.h"
#include "common/text/text.h"

struct CatalogFile {
  Text name;                      // the group's spelling; for a series the member name
  CatalogEntry* entry = nullptr;  // owned by the CatalogGroup, which outlives the list
  Text path;                      // full path of the record file
  Text description;               // for a series member, filled in with its date
};

// No two elements share a name; order is the order of addition.
using CatalogFileList = List<CatalogFile>;
