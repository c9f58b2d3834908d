// GroupLock: the exclusive lock that serialises every writer of one group
// (submissions, index rebuilds, saves of the group page). It is an flock on a
// lock file beside the group description file, released when the holder ends,
// however it ends. While it is held a web server's TERM waits (termination.h).
#pragma once

#include <optional>

#include "common/files/termination.h"
#include "common/text/text.h"

class GroupLock {
 public:
  GroupLock() = default;
  GroupLock(const GroupLock&) = delete;
  GroupLock& operator=(const GroupLock&) = delete;
  ~GroupLock() { release(); }

  // Waits for the lock of the group whose description file is `groupPath`.
  // False when the lock file cannot be created, or is a link (the caller
  // reports it).
  bool acquire(const Text& groupPath);
  void release();
  bool held() const { return fd_ >= 0; }

  // The lock file's path: the group file's path with the extension "lck".
  static Text lockPath(const Text& groupPath);

 private:
  int fd_ = -1;
  std::optional<termination::Deferred> termDeferred_;
};
