// The group lock over flock(2).
#include "common/files/group_lock.h"

#include <unistd.h>

#include "common/files/lock_file.h"
#include "common/files/path.h"

Text GroupLock::lockPath(const Text& groupPath) {
  Text path = groupPath;
  setExtension(path, "lck");
  return path;
}

bool GroupLock::acquire(const Text& groupPath) {
  release();
  fd_ = openLockFile(lockPath(groupPath), 0644);
  if (fd_ >= 0) termDeferred_.emplace();
  return fd_ >= 0;
}

void GroupLock::release() {
  if (fd_ < 0) return;
  close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
  termDeferred_.reset();
}
