// The group details page's submissions: the posted fields replace the group
// in memory, the pressed button adds or removes a form, catalog, response or
// variable, and the group description file is written before the page is
// shown again.
#pragma once

#include "common/text/text.h"

class AdminApplication;

// Applies a group submission (unless it is "Reload Data" or has no action),
// then writes the group details page.
void handleGroupPage(AdminApplication& app);

// Each builds one entry and places it: at the end with an empty mark (or an
// empty list), else immediately before the marked entry. An entry without a
// name (a response without recipients) is not added.
void addFormEntry(AdminApplication& app, Text name, Text formFile, Text messageFile,
                  Text templateFile, const Text& mark);
void addCatalogEntry(AdminApplication& app, Text name, Text forms, Text file, Text description,
                     const Text& mark);
// The response mark is a 1-based position; one that is no position of the
// list puts the new response at the end.
void addResponseEntry(AdminApplication& app, Text recipients, Text templateFile, Text forms,
                      Text catalogs, const Text& mark);
// A variable whose name exists already (case ignored) is not added.
void addGroupVariable(AdminApplication& app, Text name, Text value, const Text& mark);
