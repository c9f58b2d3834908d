// Creating folders with the private mode.
#include "common/files/file_modes.h"

#include <sys/stat.h>

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
