// PendingFlush: files appended to under the group lock, flushed to disk once
// the lock is released. Submissions that wait on the disk at the same time
// share its flushes, so the lock is never held for one.
#pragma once

#include <utility>
#include <vector>

#include "common/text/text.h"

class PendingFlush {
 public:
  PendingFlush() = default;
  PendingFlush(const PendingFlush&) = delete;
  PendingFlush& operator=(const PendingFlush&) = delete;
  // Flushes what is still pending.
  ~PendingFlush() { flush(); }

  // Takes a descriptor of `path` (its own, closed after the flush).
  void add(int fd, const Text& path);
  // Flushes every file to disk and closes it; the path of the first that
  // failed, or empty.
  Text flush();

 private:
  std::vector<std::pair<int, Text>> files_;
};
