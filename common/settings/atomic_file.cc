// Rewriting a file through a temporary file that replaces it by rename.
#include "common/settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "common/cgi/path.h"

AtomicFile::~AtomicFile() { abandon(); }

bool AtomicFile::open(const Text& targetPath, const Text& tempPath) {
  abandon();
  target_ = targetPath;
  temp_ = tempPath;
  file_ = std::fopen(temp_.c_str(), "w+");
  if (!file_) return false;
  keepModeOf(target_);
  return true;
}

// The new file gets the old one's permissions: the settings file holds the
// administrator's password and may have been made readable by its owner only.
void AtomicFile::keepModeOf(const Text& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) fchmod(fileno(file_), info.st_mode & 07777);
}

bool AtomicFile::commit() {
  if (!file_) return false;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  ok = ok && fsync(fileno(file_)) == 0;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  ok = ok && std::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    std::remove(temp_.c_str());
    temp_ = Text();
    return false;
  }
  temp_ = Text();
  syncDirectoryOf(target_);
  return true;
}

void AtomicFile::abandon() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) std::remove(temp_.c_str());
  temp_ = Text();
}

void syncDirectoryOf(const Text& path) {
  Text directory = directoryOf(path);
  if (directory.empty()) directory = "./";
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
