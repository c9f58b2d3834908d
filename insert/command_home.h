// The home that a command of insert typed on the server works on: named by
// --home DIR (or --home=DIR), else by KALDERHOME, and taken in lower case
// with "/" as the web programs take it.
#pragma once

#include <string>

#include "common/text/text.h"

// Takes "--home DIR" or "--home=DIR" at argv[at] into `home`, moving `at`
// past its value; false for any other argument.
bool takeHomeArgument(int argc, char** argv, int& at, std::string& home);

// The home `given` names (KALDERHOME when it is empty), ending in "/"; 0
// when its kalder.ini can be read, else the command's exit status after
// saying why on standard error: 2 no home is named, 1 unreadable settings.
int commandHome(const std::string& given, Text& home);
