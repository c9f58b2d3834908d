// The permissions of what the programs create. Catalogs, indexes, the
// quarantine and upload folders hold visitors' personal data: new ones get
// the mode the umask gives, less every permission for others. A file that
// exists keeps its mode; a site gives its administrators access through the
// group (the home's group, with a umask of 007).
#pragma once

#include <sys/types.h>

inline constexpr mode_t kPrivateFileMode = 0660;
inline constexpr mode_t kPrivateFolderMode = 0770;

// Creates the folder `path` (no "/" at its end) and any missing parents with
// kPrivateFolderMode; true when it is a directory afterwards.
bool makePrivateFolders(const char* path);
