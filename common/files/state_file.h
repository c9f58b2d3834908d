// The small state files of the spam defences (rates, recent submissions):
// each is its own lock. It is opened, locked, read whole up to a bound and
// rewritten in place, then closed; every reader holds the lock, so none ever
// sees half a rewrite. Nothing is flushed to disk and nothing renamed: a
// crash that tears a file only loses some counts (its malformed lines are
// skipped), and a submission should not wait for the disk twice more.
#pragma once

#include <string>
#include <string_view>

#include "common/text/text.h"

class LockedStateFile {
 public:
  LockedStateFile() = default;
  LockedStateFile(const LockedStateFile&) = delete;
  LockedStateFile& operator=(const LockedStateFile&) = delete;
  ~LockedStateFile() { close(); }

  // Opens (creating it) and locks the file; false when it cannot, or is a link.
  bool open(const Text& path);
  // The file's bytes, at most `limit` of them.
  std::string read(long limit);
  // Replaces the file's bytes by `text`; false when they cannot be written.
  bool replace(std::string_view text);
  // Unlocks and closes.
  void close();

 private:
  static constexpr size_t kRoomToAdd = 512;
  int fd_ = -1;
};
