// The settings overview's submissions: the posted fields replace the
// settings in memory, the pressed button adds, removes or shows a group, and
// "kalder.ini" is written before the page is shown again.
#pragma once

#include "common/text/text.h"

class AdminApplication;

// Applies an overview submission (unless it is "Reload Data" or has no
// action), then writes the overview, or the group page for "Show Details".
void handleSettingsPage(AdminApplication& app);

// Adds the group `name` with the description file `file`: at the end when
// `mark` is empty, else immediately before the marked group (nothing when no
// group bears the mark). An empty name or file adds nothing.
void addGroupEntry(AdminApplication& app, Text name, Text file, const Text& mark);
