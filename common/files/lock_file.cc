// Opening and locking a lock file.
#include "common/files/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

int openLockFile(const Text& path, mode_t mode, bool wait) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  int operation = wait ? LOCK_EX : LOCK_EX | LOCK_NB;
  while (::flock(fd, operation) != 0) {
    if (errno == EINTR && wait) continue;
    ::close(fd);
    return -1;
  }
  return fd;
}
