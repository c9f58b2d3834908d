// The uploaded files of a record in the viewer: the list on the record page
// with a download button each, and the download itself. Only files that the
// record names and that lie in its folder are offered or sent.
#pragma once

#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/cgi/markup.h"
#include "show/record_reader.h"

class ShowApplication;
struct ViewTarget;

// The list of the record's files, found in the record `record` of the
// catalog file `file`; empty when it has none.
Markup recordFilesSection(ShowApplication& app, const Record& record, const CatalogFile& file,
                          const ViewTarget& target);

// Sends the file `storedName` of the record `target.label` as a download.
// A name not of the generated form, a record that does not name it, or a
// file that is not there ends the request with "File not found" (404).
void sendRecordFile(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target,
                    std::string_view storedName);
