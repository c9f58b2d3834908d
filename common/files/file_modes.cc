// Creating folders with the private mode; keeping owners when root writes.
#include "common/files/file_modes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

bool makePrivateFolders(const char* path) {
  std::string folder(path);
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    std::string parent = folder.substr(0, slash);
    if (::mkdir(parent.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) return false;
  }
  ::mkdir(folder.c_str(), kPrivateFolderMode);
  struct stat info;
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void giveOwnerOf(const char* path, const char* model) {
  if (::geteuid() != 0) return;
  struct stat wanted, info;
  if (::stat(model, &wanted) != 0 || ::lstat(path, &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (info.st_uid == wanted.st_uid && info.st_gid == wanted.st_gid) return;
  int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  giveOwnerOf(fd, wanted.st_uid, wanted.st_gid);
  ::close(fd);
}

void giveOwnerOf(int fd, uid_t owner, gid_t group) {
  struct stat info;
  if (::geteuid() != 0 || ::fstat(fd, &info) != 0) return;
  if (info.st_uid == owner && info.st_gid == group) return;
  if (::fchown(fd, owner, group) == 0) ::fchmod(fd, info.st_mode & 07777);
}
