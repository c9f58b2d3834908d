// Setting the administrator's password in "kalder.ini" from the server's
// command line (zorvik --set-password): the only way to open the password-
// protected pages, since with no password stored they admit nobody.
#pragma once

#include <string>
#include <string_view>

// Why `password` cannot be stored, or empty text when it can: it must be
// printable ASCII (what every browser posts the same way from the login
// form, whatever the page's charset), not empty, and at most 200 bytes long.
std::string passwordProblem(std::string_view password);

// Stores `password` in the settings file at `path`, through a temporary file
// that replaces it only once written whole. The file keeps its owner, group
// and mode (the command is often run as root, and a file only root can read
// would stop the whole site). A file that does not exist yet is created with
// the owner and group of its directory and mode 0640. Returns empty text on
// success, else a message that names the file.
std::string storePassword(const std::string& path, std::string_view password);
