// The running total of the bytes a group's uploads take on disk, so that
// the check against uploadMaxDisk costs one small read however many files
// lie stored. It is kept in a file beside the group file
// ("shop.grp" -> "shop.grp.uploads"): a decimal number and a line feed.
// Storing, erasing, expiring and deleting change it under the group lock;
// a missing file is counted afresh from the upload folders of the catalogs
// and of the quarantine (remove it after deleting uploads by hand).
#pragma once

#include <optional>

#include "common/catalog/catalog_file.h"
#include "common/text/text.h"

Text uploadSpacePath(const Text& groupPath);

// The total the file holds; none when it is missing or unreadable.
std::optional<long long> readUploadSpace(const Text& groupPath);
// Replaces the total; false when it cannot be written.
bool writeUploadSpace(const Text& groupPath, long long bytes);
// Adds `delta` (negative for files removed) to a total that exists; a
// missing one stays missing, to be counted when next needed.
void addUploadSpace(const Text& groupPath, long long delta);

// The bytes of the stored files ("f1.bin" ...) of every record folder of
// `catalogs` and of the group's quarantine; spool files are not counted.
long long countUploadSpace(const Text& groupPath, const CatalogFileList& catalogs);
// The bytes of the stored files of the record folders in a catalog's upload
// folder (catalogUploadFolder), as the total counts them.
long long catalogFolderBytes(const Text& folder);
// The bytes of the regular files directly in `folder` (links not followed).
long long folderBytes(const Text& folder);
