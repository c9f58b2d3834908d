// Folding counted events into the totals of the metrics page.
#include "common/metrics/metrics_state.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>

#include "common/files/atomic_file.h"
#include "common/files/file_modes.h"
#include "common/files/path.h"
#include "common/metrics/metric_events.h"
#include "common/text/file_lines.h"

namespace {

// A state holds a few lines per group; anything longer is no state of ours.
constexpr long kMaxStateBytes = 4L << 20;

// The values of a line separated by tabs; false unless there are `count`.
template <size_t N>
bool splitTabs(std::string_view line, std::string_view (&values)[N]) {
  for (size_t i = 0; i < N; ++i) {
    size_t tab = i + 1 < N ? line.find('\t') : line.size();
    if (tab == std::string_view::npos) return false;
    values[i] = line.substr(0, tab);
    line.remove_prefix(i + 1 < N ? tab + 1 : tab);
  }
  return line.empty() && values[N - 1].find('\t') == std::string_view::npos;
}

bool readCount(std::string_view digits, long long& count) {
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
  return error == std::errc() && end == digits.data() + digits.size() && count >= 0;
}

// The events file's lock, or the fold's: the whole of it, by flock.
class FileLock {
 public:
  FileLock(const Text& path, int operation, const Text& home) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    giveOwnerOf(path.c_str(), home.c_str());
    while (::flock(fd_, operation) != 0) {
      if (errno == EINTR) continue;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

Text lockPath(const Text& home) { return home + "metrics.lck"; }
Text eventsPath(const Text& home) { return home + kMetricEventsName; }
Text asidePath(const Text& home, long long fold) {
  return eventsPath(home) + "." + Text::fromInt(static_cast<long>(fold));
}

bool exists(const Text& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// The events of a file renamed aside: first its appenders finish (each holds
// its shared lock while it writes).
bool readAside(const Text& path, Text& events) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  ::close(fd);
  bool readable = false;
  events = readFileBytes(path, &readable);
  return readable;
}

bool readState(const Text& home, MetricState& state) {
  bool readable = false;
  Text content = readFileBytes(home + kMetricStateName, &readable, kMaxStateBytes);
  if (!readable && exists(home + kMetricStateName)) return false;
  state = parseMetricState(content.view());
  return true;
}

bool writeState(const Text& home, const MetricState& state) {
  Text target = home + kMetricStateName;
  AtomicFile file;
  if (!file.open(target, target + ".tmp")) return false;
  Text text = metricStateText(state);
  std::fwrite(text.c_str(), 1, text.str().size(), file.file());
  if (!file.commit()) return false;
  giveOwnerOf(target.c_str(), home.c_str());
  return true;
}

// Under the fold's lock: the aside file of the fold that the state already
// holds goes unread; a fold that died before writing the state left its
// events aside, else the events file is renamed aside now.
bool takeEventsAside(const Text& home, const MetricState& state, Text& aside) {
  Text done = asidePath(home, state.folded);
  if (exists(done) && ::unlink(done.c_str()) != 0) return false;
  aside = asidePath(home, state.folded + 1);
  if (exists(aside)) return true;
  if (::rename(eventsPath(home).c_str(), aside.c_str()) == 0) return true;
  aside = Text();
  return errno == ENOENT;
}

}  // namespace

void addMetricEvents(std::string_view events, MetricTotals& totals) {
  while (!events.empty()) {
    size_t end = events.find('\n');
    if (end == std::string_view::npos) return;
    std::string_view values[3];
    if (splitTabs(events.substr(0, end), values))
      ++totals[MetricKey(values[0], values[1], values[2])];
    events.remove_prefix(end + 1);
  }
}

MetricState parseMetricState(std::string_view content) {
  MetricState state;
  forEachLine(content, [&](std::string_view line, size_t, size_t) {
    std::string_view values[4];
    long long count = 0;
    if (line.starts_with("folded=")) {
      if (readCount(line.substr(7), count)) state.folded = count;
    } else if (splitTabs(line, values) && readCount(values[3], count)) {
      state.totals[MetricKey(values[0], values[1], values[2])] += count;
    }
  });
  return state;
}

Text metricStateText(const MetricState& state) {
  Text text = "folded=" + Text::fromInt(static_cast<long>(state.folded)) + "\n";
  for (const auto& [key, count] : state.totals) {
    const auto& [metric, group, label] = key;
    text += Text::format("%s\t%s\t%s\t%ld\n", metric, group, label, static_cast<long>(count));
  }
  return text;
}

bool foldMetricEvents(const Text& home) {
  FileLock lock(lockPath(home), LOCK_EX, home);
  MetricState state;
  if (!lock.held() || !readState(home, state)) return false;
  Text aside;
  if (!takeEventsAside(home, state, aside)) return false;
  if (aside.empty()) return true;
  Text events;
  if (!readAside(aside, events)) return false;
  addMetricEvents(events.view(), state.totals);
  state.folded += 1;
  if (!writeState(home, state)) return false;
  ::unlink(aside.c_str());
  return true;
}

bool metricEventsWaiting(const Text& home) {
  struct stat info;
  return ::stat(eventsPath(home).c_str(), &info) == 0 && info.st_size >= kFoldWorthBytes;
}

MetricTotals currentMetricTotals(const Text& home) {
  struct stat info;
  if (::stat(eventsPath(home).c_str(), &info) == 0 && info.st_size > kMaxUnfoldedBytes)
    foldMetricEvents(home);
  FileLock lock(lockPath(home), LOCK_SH, home);
  MetricState state;
  readState(home, state);
  // A fold that died before writing the state left these aside.
  Text aside = asidePath(home, state.folded + 1);
  addMetricEvents(readFileBytes(aside, nullptr, kMaxUnfoldedBytes).view(), state.totals);
  addMetricEvents(readFileBytes(eventsPath(home), nullptr, kMaxUnfoldedBytes).view(), state.totals);
  return state.totals;
}
