// Index files: one line per record, "label form [catalog] offset [reflabel]",
// the catalog name only in the common index of a group and the reference
// label only when there is one. Writer and reader side by side.
#pragma once

#include <string_view>

#include "common/text/text.h"

// Appends one entry line to `out`. Line feeds and carriage returns in the
// texts become spaces, so no value can add an entry of its own.
void appendIndexEntry(Text& out, std::string_view label, std::string_view formName,
                      bool withCatalog, std::string_view catalogName, long offset,
                      std::string_view refLabel);

struct IndexEntry {
  Text label;
  Text formName;
  Text catalogName;  // empty in a private index
  long offset = 0;
  Text refLabel;  // the rest of the line: may hold spaces
};

// Splits one entry line (without its line feed) at spaces: label, form name,
// the catalog name when `withCatalog`, the offset (0 when it is not a
// number) and the reference label after the next space. A missing word
// reads as empty text.
IndexEntry parseIndexEntry(std::string_view line, bool withCatalog);
