// A lock file: opened (created when missing, never through a link, which
// could make a writer create or open the file it points to) and locked with
// flock(2). Closing the descriptor releases the lock, however the holder ends.
#pragma once

#include <sys/types.h>

#include "common/text/text.h"

// The locked file's descriptor, or -1 when it cannot be opened or locked or,
// without `wait`, another process holds the lock.
int openLockFile(const Text& path, mode_t mode, bool wait = true);
