// Counting failed logins per address in the home's state file.
#include "common/access/login_throttle.h"

#include <sys/stat.h>

#include <algorithm>

#include "common/files/group_lock.h"
#include "common/settings/cgi_application.h"

namespace {

// The file never holds more than about 160 KB (1,000 addresses of eleven
// numbers); a longer one was not written by this code and is read no further.
constexpr long kMaxStateBytes = 1L << 20;

bool parseTime(std::string_view word, long& time) {
  if (word.empty() || word.size() > 12) return false;
  time = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    time = time * 10 + (c - '0');
  }
  return true;
}

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    size_t blank = line.find(' ', i);
    if (blank == std::string_view::npos) blank = line.size();
    if (blank > i) out.push_back(line.substr(i, blank - i));
    i = blank + 1;
  }
  return out;
}

}  // namespace

void LoginFailures::read(std::string_view text) {
  entries_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    readLine(text.substr(start, end - start));
    start = end + 1;
  }
}

void LoginFailures::readLine(std::string_view line) {
  std::vector<std::string_view> items = words(line);
  if (items.size() < 2 || has(items[0])) return;
  Entry entry{std::string(items[0]), {}};
  for (size_t i = 1; i < items.size(); ++i) {
    long time = 0;
    if (!parseTime(items[i], time)) return;
    entry.times.push_back(time);
  }
  std::sort(entry.times.begin(), entry.times.end());
  if (entry.times.size() > kMaxFailures)
    entry.times.erase(entry.times.begin(), entry.times.end() - kMaxFailures);
  entries_.push_back(std::move(entry));
}

std::string LoginFailures::text(long now) const {
  std::vector<const Entry*> kept;
  for (const Entry& entry : entries_)
    if (entry.times.back() > now - kWindowSeconds) kept.push_back(&entry);
  size_t first = kept.size() > kMaxAddresses ? kept.size() - kMaxAddresses : 0;
  std::string out;
  for (size_t i = first; i < kept.size(); ++i) {
    out += kept[i]->address;
    for (long time : kept[i]->times) {
      out += ' ';
      out += std::to_string(time);
    }
    out += "\n";
  }
  return out;
}

// Refused while the kMaxFailures-th latest failure is inside the window.
long LoginFailures::refusedUntil(std::string_view address, long now) const {
  const Entry* entry = find(address);
  if (!entry || entry->times.size() < kMaxFailures) return 0;
  long until = entry->times[entry->times.size() - kMaxFailures] + kWindowSeconds;
  return until > now ? until : 0;
}

void LoginFailures::addFailure(std::string_view address, long now) {
  Entry entry{std::string(address), {}};
  if (const Entry* old = find(address)) entry.times = old->times;
  forget(address);
  entry.times.push_back(now);
  if (entry.times.size() > kMaxFailures) entry.times.erase(entry.times.begin());
  entries_.push_back(std::move(entry));
}

bool LoginFailures::forget(std::string_view address) {
  return removeFirst(entries_, [&](const Entry& e) { return e.address == address; });
}

bool LoginFailures::has(std::string_view address) const { return find(address) != nullptr; }

const LoginFailures::Entry* LoginFailures::find(std::string_view address) const {
  for (const Entry& entry : entries_)
    if (entry.address == address) return &entry;
  return nullptr;
}

LoginThrottle::LoginThrottle(CgiApplication& app) : app_(app), path_(app.home() + kFileName) {}

// The lock is a file beside the state file, as a group's writers lock a file
// beside the group file: the state file itself is replaced by each write, so
// it cannot carry the lock.
LoginThrottle::Locked::Locked(LoginThrottle& throttle) {
  if (!lock_.acquire(throttle.path_))
    throttle.app_.fatal(messages::kCreateFailed, GroupLock::lockPath(throttle.path_));
  throttle.readState();
}

void LoginThrottle::readState() {
  FilePtr file = app_.openRead(path_, OpenMode::IfExists);
  if (!file) {
    failures_.read("");
    return;
  }
  Text text;
  text.readBytes(file.get(), kMaxStateBytes);
  app_.checkRead(file, path_);
  failures_.read(text.view());
}

void LoginThrottle::write(long now) {
  bool created = !app_.fileExists(path_);
  AtomicFile file;
  app_.openReplacement(file, path_, privateTempPath(path_), path_);
  // Client addresses are personal data: a new file is for the server alone.
  if (created) fchmod(fileno(file.file()), 0600);
  std::string text = failures_.text(now);
  std::fwrite(text.data(), 1, text.size(), file.file());
  app_.commitReplacement(file, path_);
}
