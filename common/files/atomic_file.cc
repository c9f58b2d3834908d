// Rewriting a file through a temporary file that replaces it by rename.
#include "common/files/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "common/files/file_modes.h"
#include "common/files/path.h"

namespace {

constexpr int kRandomLength = 8;
constexpr int kCreateAttempts = 100;

// Letters and digits that nobody can guess ahead.
Text randomPart() {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[kRandomLength];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  Text part;
  for (unsigned char byte : bytes) part += kAlphabet[byte % (sizeof kAlphabet - 1)];
  return part;
}

}  // namespace

Text randomNameAfter(const Text& base) {
  long slash = base.findLastChar('/');
  long dot = base.findLastChar('.');
  if (dot <= slash) dot = base.length();
  return base.substring(0, dot) + "." + randomPart() + base.substring(dot);
}

AtomicFile::~AtomicFile() { abandon(); }

bool AtomicFile::open(const Text& targetPath, const Text& tempPath) {
  abandon();
  target_ = targetPath;
  struct stat info;
  bool replacing = ::stat(target_.c_str(), &info) == 0;
  // Readable by its owner alone until it has the old file's mode: whoever
  // opens a file keeps reading it after a chmod, so a temporary file that
  // others may open even for a moment shows them the new settings'
  // password. A new file is created with the private mode from the start.
  if (!createTemp(tempPath, replacing ? 0600 : kPrivateFileMode)) return false;
  if (!replacing) return true;
  fchmod(fileno(file_), info.st_mode & 07777);
  // Root (a command typed on the server) must not take the file from the
  // web server's user.
  giveOwnerOf(fileno(file_), info.st_uid, info.st_gid);
  return true;
}

// O_EXCL makes the name ours alone (it fails on any existing name, a dangling
// link included) and O_NOFOLLOW refuses a link outright.
bool AtomicFile::createTemp(const Text& base, mode_t mode) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    Text name = randomNameAfter(base);
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    file_ = fdopen(fd, "w+");
    if (!file_) {
      close(fd);
      ::unlink(name.c_str());
      return false;
    }
    temp_ = name;
    return true;
  }
  return false;
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
