// Writing a key file once, or replacing it whole.
#include "common/files/key_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "common/files/atomic_file.h"

bool writeKeyFile(const Text& path, std::string_view content, bool replace) {
  Text temp = randomNameAfter(path + ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool written =
      ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
      ::fsync(fd) == 0;
  ::close(fd);
  bool placed = false;
  if (written && replace) placed = ::rename(temp.c_str(), path.c_str()) == 0;
  if (written && !replace) placed = ::link(temp.c_str(), path.c_str()) == 0 || errno == EEXIST;
  ::unlink(temp.c_str());
  if (placed) syncDirectoryOf(path);
  return placed;
}
