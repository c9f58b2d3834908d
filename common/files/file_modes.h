// The permissions of what the programs create. Catalogs, indexes, the
// quarantine and upload folders hold visitors' personal data: new ones get
// the mode the umask gives, less every permission for others. A file that
// exists keeps its mode (and, rewritten by root, its owner); a site gives its
// administrators access through the group (the home's group, with a umask of
// 007).
#pragma once

#include <sys/types.h>

inline constexpr mode_t kPrivateFileMode = 0660;
inline constexpr mode_t kPrivateFolderMode = 0770;

// Creates the folder `path` (no "/" at its end) and any missing parents with
// kPrivateFolderMode; true when it is a directory afterwards.
bool makePrivateFolders(const char* path);

// Run as root (a command typed on the server), gives the file at `path` the
// owner and group of `model` when they differ, so that a file the command
// created stays the web server's to open; nothing otherwise, or for a link.
void giveOwnerOf(const char* path, const char* model);
// The same for an open file, keeping its mode (a change of owner clears the
// set-user and set-group bits).
void giveOwnerOf(int fd, uid_t owner, gid_t group);
