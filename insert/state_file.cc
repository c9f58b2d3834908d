// Reading and replacing a spam defence's state file.
#include "insert/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "common/files/atomic_file.h"

Text readStateFile(const Text& path, long limit) {
  Text content;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    content.readBytes(file, limit);
    std::fclose(file);
  }
  return content;
}

bool replaceStateFile(const Text& path, std::string_view text) {
  Text temp = randomNameAfter(path + ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = ::close(fd) == 0 && written;
  if (written && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
}
