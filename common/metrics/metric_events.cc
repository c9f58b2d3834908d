// Appending counted events for the metrics page.
#include "common/metrics/metric_events.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files/file_modes.h"

namespace {

constexpr size_t kMaxValueBytes = 64;

void addValue(Text& line, std::string_view value) {
  value = value.substr(0, kMaxValueBytes);
  for (char c : value) line += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
}

int openEvents(const Text& path, const Text& home) {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(path.c_str(), kFlags);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.c_str(), kFlags | O_CREAT, 0600);
    if (fd >= 0) giveOwnerOf(path.c_str(), home.c_str());
  }
  return fd;
}

// Whether the open file is still the one at `path`: a fold renames the file
// aside, and a line written to it after the fold read it would be lost.
bool stillAt(int fd, const Text& path) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_ino == named.st_ino && open.st_dev == named.st_dev;
}

}  // namespace

void countMetricEvent(const Text& home, std::string_view metric, std::string_view group,
                      std::string_view label) {
  Text line;
  addValue(line, metric);
  line += "\t";
  addValue(line, group);
  line += "\t";
  addValue(line, label);
  line += "\n";
  Text path = home + kMetricEventsName;
  // The shared lock keeps a fold (which takes the renamed file's exclusive
  // lock before reading it) waiting until this line is in.
  for (int tries = 0; tries < 3; ++tries) {
    int fd = openEvents(path, home);
    if (fd < 0) return;
    if (::flock(fd, LOCK_SH) == 0 && stillAt(fd, path)) {
      [[maybe_unused]] ssize_t written = ::write(fd, line.c_str(), line.str().size());
      ::close(fd);
      return;
    }
    ::close(fd);
  }
}
