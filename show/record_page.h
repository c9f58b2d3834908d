// The page of one record: its fields as a table of names and values in
// record order, with links to the records before and after it.
#pragma once

#include "common/catalog/catalog_file.h"

class ShowApplication;
struct ViewTarget;

// An unknown label ends the request with "Record ... not found".
void writeRecordPage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);
