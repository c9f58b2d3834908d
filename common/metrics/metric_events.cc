// Appending counted events for the metrics page.
#include "common/metrics/metric_events.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "common/files/file_modes.h"
#include "common/files/path.h"

namespace {

constexpr size_t kMaxValueBytes = 64;

void addValue(Text& line, std::string_view value) {
  value = value.substr(0, kMaxValueBytes);
  for (char c : value) line += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
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
  Text path = makePath(home, kMetricEventsName);
  constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(path.c_str(), kFlags);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path.c_str(), kFlags | O_CREAT, 0600);
    if (fd >= 0) giveOwnerOf(path.c_str(), home.c_str());
  }
  if (fd < 0) return;
  [[maybe_unused]] ssize_t written = ::write(fd, line.c_str(), line.str().size());
  ::close(fd);
}
