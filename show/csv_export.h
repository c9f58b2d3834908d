// A catalog as a CSV download (RFC 4180) in UTF-8: a header row with every
// field name in the order first met, one row per record, CR LF line ends, a
// byte-order mark first so that spreadsheets read the Slovenian letters.
#pragma once

#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/text/text.h"

class ShowApplication;

// Writes the header and the whole file for the records of `files`;
// `catalog` (as requested) names the download.
void exportCsv(ShowApplication& app, const CatalogFileList& files, const Text& catalog);

// One cell: letters in UTF-8; a text that a spreadsheet would take for a
// formula ("=", "+", "-", "@" or a tab first) gets a single quote in front;
// quoted, with quotes doubled, when it holds a quote, comma or line break.
Text csvCell(std::string_view text);
// The download's file name: the catalog name's ASCII letters, digits, "-"
// and "_" only ("records" when none is left), with ".csv".
Text csvFileName(std::string_view catalog);
