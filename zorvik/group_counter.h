// Saving the group page without moving the label counter back. Submissions
// advance the counter on disk while the page sits in the administrator's
// browser; a save that did not edit the counter keeps the one on disk.
#pragma once

#include "common/text/text.h"

class AdminApplication;

// The counter of the group description file at `groupPath` as it is now (the
// last "count=" line; 0 when there is none), or `fallback` when the file
// cannot be read.
long counterOnDisk(const Text& groupPath, long fallback);

// Writes the group description file under the group's lock, the lock that
// submissions take. When `keepDiskCounter` is true, the counter is first
// re-read from the file under that lock.
void saveGroupLocked(AdminApplication& app, bool keepDiskCounter);
