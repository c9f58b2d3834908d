// FileCache: the bytes of small files a resident process reads on every
// request (the settings, a group's options, answer pages), kept between
// requests while the file on disk is the one read before.
//
// A file is the one read before while its identity is unchanged: device,
// inode, size, and modification and change times to the nanosecond. A
// replacement (every save of this system's own writes a new file and
// renames it) changes the inode; an edit in place changes the times. File
// systems keep those times at the clock's coarse tick, so a file modified
// in the tick it was read in could change again unseen: such a file is
// read but not kept until its times are a while in the past.
#pragma once

#include <sys/stat.h>

#include <ctime>
#include <unordered_map>

#include "common/text/text.h"

class FileCache {
 public:
  enum class Outcome {
    Read,        // `content` holds the file's bytes
    Absent,      // no file of that name
    Unreadable,  // a file that is not a regular one, or cannot be read
  };

  // The bytes of the file at `path`, from the cache while they are current.
  Outcome read(const Text& path, Text& content);

  // Files larger than this are read each time, and no more than this many
  // are kept: the cache only saves the small files every request reads.
  static constexpr long kMaxFileSize = 256 * 1024;
  static constexpr size_t kMaxFiles = 64;

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const Identity& other) const;
  };
  struct Entry {
    Identity identity;
    Text content;
  };
  static Identity identityOf(const struct stat& info);
  static bool settled(const struct stat& info);
  void keep(const Text& path, const Identity& identity, const Text& content);

  std::unordered_map<std::string, Entry> entries_;
};
