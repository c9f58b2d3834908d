// The group lock over flock(2).
#include "common/files/group_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "common/files/path.h"

Text GroupLock::lockPath(const Text& groupPath) {
  Text path = groupPath;
  setExtension(path, "lck");
  return path;
}

bool GroupLock::acquire(const Text& groupPath) {
  release();
  Text path = lockPath(groupPath);
  // Never through a link: one planted at the lock's name would make every
  // writer of the group create or open the file it points to.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd_ < 0) return false;
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      release();
      return false;
    }
  }
  return true;
}

void GroupLock::release() {
  if (fd_ < 0) return;
  close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
}
