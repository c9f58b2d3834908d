// Saving the group page without moving the label counter back. Submissions
// advance the counter on disk while the page sits in the administrator's
// browser; a save that did not edit the counter keeps the one on disk.
#pragma once

class AdminApplication;

// Writes the group description file under the group's lock, the lock that
// submissions take. When `keepDiskCounter` is true, the counter written is
// the greater of the page's and the one the file holds under that lock, so
// no label that a submission gave out is ever given out again.
void saveGroupLocked(AdminApplication& app, bool keepDiskCounter);
