// Where a record's uploaded files lie: a folder per record, named after its
// label, in a folder beside the catalog file named after it, all in lower
// case ("orders.dat", "ORD-7" -> "orders.files/ord-7/").
#pragma once

#include <string_view>

#include "common/text/text.h"

// The folder of every upload of the catalog at `catalogPath`, ending in "/".
Text catalogUploadFolder(std::string_view catalogPath);

// The folder of the uploads of the record labelled `label`, ending in "/".
// Bytes of the label other than letters, digits, "-" and "_" become "_", so
// no label leaves the catalog's folder or hides as a dot name.
Text recordUploadFolder(std::string_view catalogPath, std::string_view label);

// The folder of a record whose label is not written (and so not counted):
// the label's folder name, a "." and `token` ("orders.files/q-42.k3j9x/").
// Labels never give a dot, so no labelled record can meet it.
Text unlabelledUploadFolder(std::string_view catalogPath, std::string_view label,
                            std::string_view token);
// Creates a new such folder with a random token, one no other record has
// (the catalog's upload folder must exist); its path, or empty text when
// none could be made.
Text makeUnlabelledUploadFolder(std::string_view catalogPath, std::string_view label);
