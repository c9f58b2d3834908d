// Where a record's uploaded files lie: a folder per record, named after its
// label, in a folder beside the catalog file named after it, all in lower
// case ("orders.dat", "ORD-7" -> "orders.files/ord-7/").
#pragma once

#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/text/text.h"

// The folder of every upload of the catalog at `catalogPath`, ending in "/".
Text catalogUploadFolder(std::string_view catalogPath);

// The folder of the uploads of the record labelled `label`, ending in "/".
// Bytes of the label other than letters, digits, "-" and "_" become "_", so
// no label leaves the catalog's folder or hides as a dot name.
Text recordUploadFolder(std::string_view catalogPath, std::string_view label);

// The bytes of every file in the upload folders of `catalogs` (links not
// followed): the space a group's uploads take.
long long uploadSpaceInUse(const CatalogFileList& catalogs);
