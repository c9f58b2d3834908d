// AtomicFile: a file rewritten whole through a temporary file in the same
// directory. The temporary file is flushed to disk and renamed over the old
// file only when every write succeeded, so a crash, a full disk or a failed
// write leaves either the old file or the new one, never a truncated one.
#pragma once

#include <sys/types.h>

#include <cstdio>

#include "common/text/text.h"

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file when commit() did not succeed.
  ~AtomicFile();

  // Creates a new temporary file named after `tempPath`, with random letters
  // and digits before its extension ("orders.tmp" gives "orders.k3J9xq2a.tmp"),
  // for writing; false when it cannot. The file is created, never opened: a
  // link or file that someone put at a predictable name is never written
  // through. It gets the target's mode, or for a new target the private mode
  // (file_modes.h), and is never readable by more people than the target;
  // written by root, it gets the target's owner and group too.
  bool open(const Text& targetPath, const Text& tempPath);
  // The temporary file's path while it is open.
  const Text& tempPath() const { return temp_; }
  std::FILE* file() const { return file_; }
  // Checks the stream, closes it, fsyncs, renames it over the target and
  // fsyncs the directory. False on any failure; the temporary file is then
  // removed and the target is untouched.
  bool commit();
  // Closes and removes the temporary file; the target stays as it was.
  void abandon();

 private:
  bool createTemp(const Text& base, mode_t mode);

  std::FILE* file_ = nullptr;
  Text target_;
  Text temp_;
};

// `base` with "." and random letters and digits put before its extension
// (at its end when its file name has none): a fresh name for a file that
// must be created with O_EXCL.
Text randomNameAfter(const Text& base);

// Flushes the directory entry of `path` to disk (after a rename or create).
void syncDirectoryOf(const Text& path);
