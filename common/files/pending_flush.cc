// Flushing the files of a stored submission after its lock.
#include "common/files/pending_flush.h"

#include <unistd.h>

void PendingFlush::add(int fd, const Text& path) { files_.emplace_back(fd, path); }

Text PendingFlush::flush() {
  Text failed;
  for (auto& [fd, path] : files_) {
    if (fdatasync(fd) != 0 && failed.empty()) failed = path;
    close(fd);
  }
  files_.clear();
  return failed;
}
