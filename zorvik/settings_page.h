// The settings overview: every value of "kalder.ini" as one form, with the
// buttons that add, remove and show groups and save or reload the file.
#pragma once

#include "common/text/text.h"

class AdminApplication;

// Writes the overview of the settings as they stand; `mark` names the group
// whose radio button is shown selected (exact comparison).
void writeSettingsPage(AdminApplication& app, const Text& mark);
// The save and reload rows that end the form of both pages.
void writeSaveButtons(AdminApplication& app);
