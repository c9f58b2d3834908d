// The viewer's list pages: the catalogs of the group with their record
// counts, and the records of one catalog (or of every member of a series),
// page by page in the order the index gives.
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/cgi/markup.h"
#include "common/text/text.h"

class ShowApplication;
struct ViewTarget;

void writeGroupPage(ShowApplication& app);
void writeListPage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);

// The first line of a value, cut to about `limit` bytes without splitting an
// entity name or a UTF-8 sequence; "..." marks a cut.
Text previewValue(std::string_view value, size_t limit);
// A stored date (yyyymmdd) or time (hhmm) in the page's language; a value
// of another shape is shown as it is stored.
Markup listDate(std::string_view stored, int languageIndex);
Markup listTime(std::string_view stored, int languageIndex);
