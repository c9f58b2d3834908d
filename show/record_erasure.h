// Erasing one record for good, as a site must when a person asks for their
// data to be removed: a confirmation page, then, under the group lock, the
// record taken out of its catalog file, its index entry and its uploaded
// files removed, and a line in the log of deletions (never the content).
#pragma once

#include "common/catalog/catalog_file.h"

class ShowApplication;
struct ViewTarget;

// The log of deletions, in the home: one line per erased record,
// "YYYY-MM-DD HH:MM<TAB>group<TAB>catalog<TAB>label<TAB>address".
inline constexpr const char* kDeletionLogName = "deletions.log";

// Asks for confirmation, or erases when the request carries it (the posted
// field "confirm" holding the label). An unknown label is "Record ... not
// found".
void writeErasurePage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);
