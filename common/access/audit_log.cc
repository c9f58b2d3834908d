// Appending to the audit log under its lock, checking its chain, reading
// its latest lines.
#include "common/access/audit_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/files/atomic_file.h"
#include "common/files/lock_file.h"
#include "common/files/path.h"
#include "common/text/sha256.h"

namespace {

constexpr size_t kColumnCount = 9;
constexpr size_t kHashLength = 64;
// Enough for the last line however long its columns are, and for the
// latest lines a page shows.
constexpr long kLastLineWindow = 64 * 1024;
constexpr long kPageWindow = 1024 * 1024;

std::string logPath(const std::string& home, const char* name) {
  return makePath(home, name).str();
}

std::string column(std::string_view text) {
  if (text.empty()) return "-";
  size_t length = std::min(text.size(), kMaxAuditColumn);
  // Cut before a UTF-8 sequence rather than inside it.
  if (length < text.size())
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  std::string out(text.substr(0, length));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return out;
}

std::string isoTime(std::time_t time) {
  if (time == 0) time = std::time(nullptr);
  struct tm utc;
  gmtime_r(&time, &utc);
  char out[32];
  std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return out;
}

bool isHash(std::string_view text) { return isLowerHex(text, kHashLength); }

// The hash a line hands on to the next: its last column, or the hash a
// "# continues" line names.
std::string_view handedOnHash(std::string_view line) {
  if (line.rfind(kAuditContinues, 0) == 0) return line.substr(sizeof kAuditContinues - 1);
  size_t tab = line.rfind('\t');
  return tab == std::string_view::npos ? line : line.substr(tab + 1);
}

// The file's last `window` bytes, and where they begin.
std::string readTail(int fd, long size, long window, long& start) {
  start = std::max(0L, size - window);
  std::string tail(static_cast<size_t>(size - start), '\0');
  ssize_t got = ::pread(fd, tail.data(), tail.size(), start);
  tail.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return tail;
}

// The newest complete line of `tail`, empty when it holds none.
std::string_view lastLine(std::string_view tail) {
  size_t end = tail.rfind('\n');
  if (end == std::string_view::npos) return {};
  size_t begin = tail.rfind('\n', end == 0 ? 0 : end - 1);
  begin = (begin == std::string_view::npos || end == 0) ? 0 : begin + 1;
  return tail.substr(begin, end - begin);
}

// A file that root creates (the command line often runs as root) belongs to
// the home's owner, as the web server that writes it next must.
void giveToHomeOwner(int fd, const std::string& home) {
  struct stat file, folder;
  if (geteuid() != 0 || fstat(fd, &file) != 0 || file.st_uid != 0) return;
  if (::stat(home.c_str(), &folder) == 0 && fchown(fd, folder.st_uid, folder.st_gid) != 0) return;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void syncFolder(const std::string& home) {
  int fd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// One file's part in a check of the chain.
class ChainChecker {
 public:
  explicit ChainChecker(AuditCheck& check) : check_(check) {}

  // Goes through the file `name` of `home`; false once a line is broken.
  bool checkFile(const std::string& home, const char* name, bool first) {
    File file(std::fopen(logPath(home, name).c_str(), "r"));
    if (!file) return true;
    char* buffer = nullptr;
    size_t capacity = 0;
    long number = 0;
    bool holds = true;
    for (ssize_t length; holds && (length = getline(&buffer, &capacity, file.get())) >= 0;) {
      std::string_view line(buffer, static_cast<size_t>(length));
      holds = checkLine(line, ++number, first);
      if (!holds) check_ = AuditCheck{false, name, number, check_.latestHash};
    }
    std::free(buffer);
    return holds;
  }

 private:
  bool checkLine(std::string_view line, long number, bool firstFile) {
    if (line.empty() || line.back() != '\n') return false;
    line.remove_suffix(1);
    std::string& previous = check_.latestHash;
    if (line.rfind(kAuditContinues, 0) == 0) {
      std::string_view named = handedOnHash(line);
      // The first file of the check may continue one that is gone.
      if (number != 1 || !isHash(named) || (!firstFile && named != previous)) return false;
      previous = std::string(named);
      return true;
    }
    if (auditLineColumns(line).empty()) return false;
    size_t tab = line.rfind('\t');
    std::string_view hash = line.substr(tab + 1);
    if (auditHash(previous, line.substr(0, tab)) != hash) return false;
    previous = std::string(hash);
    return true;
  }

  AuditCheck& check_;
};

// The action lines of one file's tail, newest first, into `lines` until it
// holds `count`; the newest hash the file hands on into `latest` when it is
// the first found.
void collectTail(const std::string& path, size_t count, std::vector<std::string>& lines,
                 std::string& latest, bool& latestFound) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info;
  long start = 0;
  std::string tail;
  if (fstat(fd, &info) == 0) tail = readTail(fd, info.st_size, kPageWindow, start);
  ::close(fd);
  std::string_view rest(tail);
  while (lines.size() < count) {
    std::string_view line = lastLine(rest);
    if (line.empty() && rest.find('\n') == std::string_view::npos) break;
    size_t lineStart = static_cast<size_t>(line.data() - rest.data());
    bool whole = lineStart > 0 || start == 0;
    if (!whole) break;
    if (!latestFound) {
      latest = std::string(handedOnHash(line));
      latestFound = true;
    }
    if (!line.empty() && line.rfind(kAuditContinues, 0) != 0) lines.emplace_back(line);
    rest = rest.substr(0, lineStart);
  }
}

}  // namespace

std::string auditColumns(const AuditEntry& entry) {
  std::string line = isoTime(entry.time);
  for (const std::string* text : {&entry.program, &entry.address, &entry.outcome, &entry.action,
                                  &entry.group, &entry.catalog, &entry.subject}) {
    line += '\t';
    line += column(*text);
  }
  return line;
}

std::string auditHash(std::string_view previousHash, std::string_view columns) {
  Sha256 hash;
  hash.update(previousHash);
  hash.update("\t");
  hash.update(columns);
  return toHex(hash.finish());
}

std::vector<std::string_view> auditLineColumns(std::string_view line) {
  std::vector<std::string_view> columns;
  size_t begin = 0;
  for (size_t tab; (tab = line.find('\t', begin)) != std::string_view::npos; begin = tab + 1)
    columns.push_back(line.substr(begin, tab - begin));
  columns.push_back(line.substr(begin));
  if (columns.size() != kColumnCount || !isHash(columns.back())) columns.clear();
  return columns;
}

// The home as the programs take it, in lower case (see makePath).
AuditLog::AuditLog(std::string home, long rotateBytes)
    : path_(logPath(home, kAuditLogName)), rotateBytes_(rotateBytes) {
  home_ = directoryOf(path_).str();
}

AuditLog::~AuditLog() {
  if (fd_ >= 0) ::close(fd_);
}

// A missing log is made by the first line, so an action that fails leaves
// no new file behind; until then its folder must be writable.
bool AuditLog::open() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ >= 0) return true;
  return errno == ENOENT && ::access(home_.c_str(), W_OK | X_OK) == 0;
}

bool AuditLog::openOrCreate() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ >= 0) giveToHomeOwner(fd_, home_);
  return fd_ >= 0;
}

// Another writer may have moved the file this one opened to audit.log.1.
bool AuditLog::reopenIfMoved() {
  struct stat opened, named;
  if (fd_ >= 0 && fstat(fd_, &opened) == 0 && ::stat(path_.c_str(), &named) == 0 &&
      opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
    return true;
  return openOrCreate();
}

std::string AuditLog::lastHash() {
  struct stat info;
  if (fstat(fd_, &info) != 0) return kAuditFirstHash;
  long start = 0;
  std::string tail = readTail(fd_, info.st_size, kLastLineWindow, start);
  std::string_view line = lastLine(tail);
  return line.empty() ? kAuditFirstHash : std::string(handedOnHash(line));
}

// The new file is written whole under a name of its own before the old one
// moves, so audit.log is missing for no longer than between two renames.
bool AuditLog::rotate(const std::string& lastHash) {
  Text temp = randomNameAfter(Text(path_ + ".tmp"));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  giveToHomeOwner(fd, home_);
  bool written = writeAll(fd, kAuditContinues + lastHash + "\n") && fdatasync(fd) == 0;
  ::close(fd);
  std::string old = logPath(home_, kAuditOldLogName);
  if (!written || ::rename(path_.c_str(), old.c_str()) != 0 ||
      ::rename(temp.c_str(), path_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  syncFolder(home_);
  return openOrCreate();
}

bool AuditLog::append(const AuditEntry& entry) {
  int lock = openLockFile(makePath(home_, kAuditLockName), 0600);
  if (lock < 0) return false;
  giveToHomeOwner(lock, home_);
  struct LockRelease {
    int fd;
    ~LockRelease() { ::close(fd); }
  } release{lock};
  struct stat info;
  if (!reopenIfMoved() || fstat(fd_, &info) != 0) return false;
  if (info.st_size >= rotateBytes_ && (!rotate(lastHash()) || fstat(fd_, &info) != 0)) return false;
  long size = info.st_size;
  // A line a crash cut short holds no hash to go on from.
  long start = 0;
  std::string tail = readTail(fd_, size, kLastLineWindow, start);
  if (!tail.empty() && tail.back() != '\n') {
    size_t end = tail.rfind('\n');
    size = end == std::string::npos ? start : start + static_cast<long>(end) + 1;
    if (ftruncate(fd_, size) != 0) return false;
  }
  std::string columns = auditColumns(entry);
  std::string line = columns + "\t" + auditHash(lastHash(), columns) + "\n";
  if (writeAll(fd_, line) && fdatasync(fd_) == 0) return true;
  if (ftruncate(fd_, size) == 0) fdatasync(fd_);
  return false;
}

bool appendAudit(const std::string& home, const AuditEntry& entry) {
  AuditLog log(home);
  return log.open() && log.append(entry);
}

AuditCheck verifyAuditLog(const std::string& home) {
  AuditCheck check;
  ChainChecker checker(check);
  bool first = true;
  for (const char* name : {kAuditOldLogName, kAuditLogName}) {
    if (::access(logPath(home, name).c_str(), F_OK) != 0) continue;
    if (!checker.checkFile(home, name, first)) break;
    first = false;
  }
  return check;
}

AuditTail latestAuditLines(const std::string& home, size_t count) {
  AuditTail tail;
  bool latestFound = false;
  for (const char* name : {kAuditLogName, kAuditOldLogName})
    collectTail(logPath(home, name), count, tail.lines, tail.latestHash, latestFound);
  std::reverse(tail.lines.begin(), tail.lines.end());
  return tail;
}
