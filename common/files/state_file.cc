// Opening, locking, reading and rewriting a spam defence's state file.
#include "common/files/state_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/files/lock_file.h"

bool LockedStateFile::open(const Text& path) {
  close();
  fd_ = openLockFile(path, 0600);
  return fd_ >= 0;
}

// Read straight into the string that is returned, with room for the lines
// a submission adds: the file is read on every submission, and a table
// keeps the string as its own.
std::string LockedStateFile::read(long limit) {
  struct stat status;
  if (fd_ < 0 || ::fstat(fd_, &status) != 0) return std::string();
  auto size = static_cast<size_t>(std::clamp<off_t>(status.st_size, 0, limit));
  std::string content;
  content.reserve(size + kRoomToAdd);
  content.resize(size);
  size_t got = 0;
  while (got < size) {
    ssize_t read = ::read(fd_, content.data() + got, size - got);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    got += static_cast<size_t>(read);
  }
  content.resize(got);
  return content;
}

// Written over the old bytes and then cut to length: cutting a file to
// nothing first makes ext4 start writing it out at close, which a
// submission would wait for. A file that did not shrink is not cut at all:
// a truncation costs more than the write itself, even to the same length.
bool LockedStateFile::replace(std::string_view text) {
  if (fd_ < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = ::pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  struct stat status;
  if (::fstat(fd_, &status) == 0 && status.st_size <= static_cast<off_t>(text.size())) return true;
  return ::ftruncate(fd_, static_cast<off_t>(text.size())) == 0;
}

void LockedStateFile::close() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the descriptor releases the flock
  fd_ = -1;
}
