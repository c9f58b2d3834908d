// Small files kept between requests while their identity is unchanged.
#include "common/files/file_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

bool sameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A file whose times are this close to now may still change within the
// same tick of the file system's clock.
constexpr time_t kSettleSeconds = 2;

}  // namespace

bool FileCache::Identity::operator==(const Identity& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

FileCache::Identity FileCache::identityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

bool FileCache::settled(const struct stat& info) {
  time_t now = std::time(nullptr);
  return info.st_mtim.tv_sec + kSettleSeconds < now && info.st_ctim.tv_sec + kSettleSeconds < now;
}

FileCache::Outcome FileCache::read(const Text& path, Text& content) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    entries_.erase(path.str());
    return errno == ENOENT ? Outcome::Absent : Outcome::Unreadable;
  }
  if (!S_ISREG(info.st_mode)) return Outcome::Unreadable;
  auto kept = entries_.find(path.str());
  if (kept != entries_.end() && kept->second.identity == identityOf(info)) {
    content = kept->second.content;
    return Outcome::Read;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r"), std::fclose);
  if (!file) return errno == ENOENT ? Outcome::Absent : Outcome::Unreadable;
  // The identity of the file actually opened, taken before its bytes: a
  // change while they are read shows as a different identity next time.
  if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return Outcome::Unreadable;
  content = Text();
  if (content.readBytes(file.get(), -1) < 0 || std::ferror(file.get())) return Outcome::Unreadable;
  if (settled(info) && info.st_size <= kMaxFileSize) keep(path, identityOf(info), content);
  return Outcome::Read;
}

void FileCache::keep(const Text& path, const Identity& identity, const Text& content) {
  if (entries_.size() >= kMaxFiles && !entries_.count(path.str())) entries_.clear();
  entries_[path.str()] = Entry{identity, content};
}
