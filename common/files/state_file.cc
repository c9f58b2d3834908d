// Opening, locking, reading and rewriting a spam defence's state file.
#include "common/files/state_file.h"

#include <unistd.h>

#include <cerrno>

#include "common/files/lock_file.h"

bool LockedStateFile::open(const Text& path) {
  close();
  fd_ = openLockFile(path, 0600);
  return fd_ >= 0;
}

Text LockedStateFile::read(long limit) {
  Text content;
  char buffer[65536];
  while (content.length() < limit) {
    ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    content += std::string_view(buffer, static_cast<size_t>(got));
  }
  if (content.length() > limit) content.str().resize(static_cast<size_t>(limit));
  return content;
}

// Written over the old bytes and then cut to length: cutting a file to
// nothing first makes ext4 start writing it out at close, which a
// submission would wait for.
bool LockedStateFile::replace(std::string_view text) {
  if (fd_ < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = ::pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return ::ftruncate(fd_, static_cast<off_t>(text.size())) == 0;
}

void LockedStateFile::close() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
}
