// Erasing one record for good, as a site must when a person asks for their
// data to be removed: a confirmation page, then, under the group lock, the
// record taken out of its catalog file, its index entry, its uploaded files
// and its unsent mails removed (common/storing/record_removal.h), and a line
// in the log of deletions (never the content).
#pragma once

#include "common/catalog/catalog_file.h"

class ShowApplication;
struct ViewTarget;

// Asks for confirmation, or erases when the request carries it (the posted
// field "confirm" holding the label). An unknown label is "Record ... not
// found".
void writeErasurePage(ShowApplication& app, const CatalogFileList& files, const ViewTarget& target);
