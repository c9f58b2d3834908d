// Expiring a group's old records, its old mail logs, and the runs that do it.
#include "common/storing/expiry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/access/audit_log.h"
#include "common/catalog/catalog_files.h"
#include "common/catalog/series.h"
#include "common/files/detached_process.h"
#include "common/files/file_modes.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "common/mail/outbox.h"
#include "common/mail/outbox_delivery.h"
#include "common/mail/outbox_run.h"
#include "common/metrics/metrics_state.h"
#include "common/settings/settings_file.h"
#include "common/storing/pending_file.h"
#include "common/storing/record_removal.h"
#include "common/text/file_lines.h"
#include "common/webhook/webhook_spool.h"

namespace {

constexpr long long kSecondsPerDay = 24 * 3600;

// Keeps the label and the stored date of the record being read, and whether
// it has any field at all (a blank line has none).
class DateSink : public FieldSink {
 public:
  bool wants(std::string_view name) override {
    any = true;
    return isKept(name);
  }
  void field(std::string_view name, std::string_view value) override {
    any = true;
    if (equalsIgnoreCase(name, "&label")) label = Text(value);
    if (equalsIgnoreCase(name, "&date")) day = storedDateDay(value);
  }

  bool any = false;
  Text label;
  std::optional<long> day;

 private:
  static bool isKept(std::string_view name) {
    return equalsIgnoreCase(name, "&label") || equalsIgnoreCase(name, "&date");
  }
};

// Reads the records of the file at `path` one at a time: visit(offset,
// sink) for each record with fields, returning false to stop. False when
// the file cannot be read through (a missing file has no records).
template <typename Visit>
bool walkRecords(const Text& path, const RecordLayout& layout, long& endOffset, Visit visit) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  endOffset = 0;
  if (!file) return errno == ENOENT;
  BlockLines lines(file);
  bool readThrough = true;
  for (;;) {
    long offset = lines.offset();
    DateSink sink;
    RecordRead read = layout.read(lines, sink);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) {
      readThrough = false;
      break;
    }
    if (sink.any && !visit(offset, sink)) break;
  }
  endOffset = lines.offset();
  readThrough = readThrough && !std::ferror(file);
  std::fclose(file);
  return readThrough;
}

// The spans of at most `limit` records of the file that are due, in file
// order; `more` tells whether the limit left some.
bool findExpired(const Text& path, const RecordLayout& layout, long today, long days, long limit,
                 RecordSpans& spans, bool& more) {
  bool open = false;  // the last span waits for the next record's offset
  more = false;
  long end = 0;
  bool read = walkRecords(path, layout, end, [&](long offset, const DateSink& record) {
    if (open) spans.back().end = offset;
    open = false;
    if (!record.day || !expiredOn(today, *record.day, days)) return true;
    if (static_cast<long>(spans.size()) == limit) {
      more = true;
      return false;
    }
    spans.push_back(RecordSpan{offset, offset, record.label});
    open = true;
    return true;
  });
  if (open) spans.back().end = end;
  return read;
}

long countRecords(const Text& path, const RecordLayout& layout) {
  long count = 0, end = 0;
  walkRecords(path, layout, end, [&](long, const DateSink&) {
    ++count;
    return true;
  });
  return count;
}

bool isDigits(std::string_view text) { return !text.empty() && allDecimalDigits(text); }

// Locks the group; a lock file that root creates stays the web server's.
bool lockGroup(GroupLock& lock, const Text& groupPath) {
  if (!lock.acquire(groupPath)) return false;
  giveOwnerOf(GroupLock::lockPath(groupPath).c_str(), groupPath.c_str());
  return true;
}

}  // namespace

std::optional<long> storedDateDay(std::string_view date) {
  if (date.size() != 8 || !allDecimalDigits(date)) return std::nullopt;
  auto number = [&](size_t at, size_t width) {
    int value = 0;
    for (char c : date.substr(at, width)) value = value * 10 + (c - '0');
    return value;
  };
  int year = number(0, 4), month = number(4, 2), day = number(6, 2);
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  return daysSinceEpoch(year, month, day);
}

std::optional<long> oldestRecordDay(const CatalogFileList& files, const RecordLayout& layout) {
  std::optional<long> oldest;
  for (const CatalogFile& file : files) {
    long end = 0;
    walkRecords(file.path, layout, end, [&](long, const DateSink& record) {
      if (record.day && (!oldest || *record.day < *oldest)) oldest = record.day;
      return true;
    });
  }
  return oldest;
}

GroupExpiry::GroupExpiry(Text home, Text name, Text groupPath, const DateTime& now)
    : home_(std::move(home)),
      name_(std::move(name)),
      groupPath_(std::move(groupPath)),
      now_(now),
      today_(daysSinceEpoch(now.year, now.month, now.day)) {}

bool GroupExpiry::load() {
  Text optionsPath = groupOptionsPath(groupPath_);
  bool readable = false;
  Text options = readFileBytes(optionsPath, &readable);
  if (!readable) {
    // A missing file keeps everything; one that cannot be read is reported.
    if (::access(optionsPath.c_str(), F_OK) == 0) problems_.push_back(optionsPath);
    return false;
  }
  options_ = parseGroupOptions(options.view());
  group_ = parseGroupFile(readFileBytes(groupPath_), groupPath_);
  return options_.retention.any(group_.catalogs) || options_.optIn.enabled();
}

long GroupExpiry::run(long budget, bool waitForMail) {
  long expired = 0;
  if (!log_.open(home_)) {
    problems_.push_back(log_.path());
    return 0;
  }
  for (const CatalogFile& file : everyCatalogFile(group_, 0)) {
    if (budget == 0) break;
    long count = expirePending(file);
    long days = options_.retention.daysOf(file.entry->name.view());
    if (days > 0)
      count += periodOver(file, days) ? expireWholeFile(file) : expireFile(file, days, budget);
    noteExpired(file, count);
    expired += count;
    if (budget > 0) budget = std::max(0L, budget - count);
  }
  pruneMailLogs(waitForMail);
  return expired;
}

// Only a series whose member the date chooses has periods that age: one a
// posted field chooses may hold records of any date.
bool GroupExpiry::periodOver(const CatalogFile& file, long days) const {
  const CatalogEntry& entry = *file.entry;
  if (!entry.isSeries || !entry.seriesTag.empty()) return false;
  SeriesPattern pattern = parseSeriesPattern(makePath(group_.workDir, entry.dataFile).view());
  Text digits, sortKey;
  SeriesMember member = memberFromPath(pattern, file.path, digits, sortKey);
  std::optional<DateTime> last = lastDayOfPeriod(pattern, member.date);
  return last && expiredOn(today_, daysSinceEpoch(last->year, last->month, last->day), days);
}

long GroupExpiry::expireFile(const CatalogFile& file, long days, long budget) {
  RecordLayout layout = recordLayoutOf(group_);
  RemovalPlace place{home_, name_, groupPath_, group_.indexMode, &file};
  long expired = 0;
  for (bool more = true; more && budget != 0;) {
    long limit = budget < 0 ? kPassRecords : std::min(kPassRecords, budget);
    GroupLock lock;
    if (!lockGroup(lock, groupPath_)) {
      problems_.push_back(GroupLock::lockPath(groupPath_));
      break;
    }
    RecordSpans spans;
    if (!findExpired(file.path, layout, today_, days, limit, spans, more)) {
      // A file that does not read as records is left as it is.
      problems_.push_back(file.path);
      spans.clear();
      more = false;
    }
    Text failed = removeRecords(place, spans);
    if (!failed.empty()) {
      problems_.push_back(failed);
      break;
    }
    long count = static_cast<long>(spans.size());
    expired += count;
    if (budget > 0) budget -= count;
  }
  return expired;
}

// Held submissions whose confirmation link expired (pending_file.h), or
// that are older than their catalog keeps records when that is sooner; they
// count with the catalog's own expired records.
long GroupExpiry::expirePending(const CatalogFile& file) {
  if (!options_.optIn.enabled()) return 0;
  long days = options_.optIn.days;
  long kept = options_.retention.daysOf(file.entry->name.view());
  if (kept > 0 && kept < days) days = kept;
  Text path = pendingPath(file.path.view());
  if (::access(path.c_str(), F_OK) != 0) return 0;
  GroupLock lock;
  if (!lockGroup(lock, groupPath_)) {
    problems_.push_back(GroupLock::lockPath(groupPath_));
    return 0;
  }
  long count = dropExpiredPending(path, today_, days);
  if (count >= 0) return count;
  problems_.push_back(path);
  return 0;
}

long GroupExpiry::expireWholeFile(const CatalogFile& file) {
  GroupLock lock;
  if (!lockGroup(lock, groupPath_)) {
    problems_.push_back(GroupLock::lockPath(groupPath_));
    return 0;
  }
  long count = countRecords(file.path, recordLayoutOf(group_));
  Text failed = removeCatalogFile(RemovalPlace{home_, name_, groupPath_, group_.indexMode, &file});
  if (failed.empty()) return count;
  problems_.push_back(failed);
  return 0;
}

void GroupExpiry::noteExpired(const CatalogFile& file, long count) {
  if (count == 0) return;
  Text label = "expired " + Text::fromInt(count);
  if (!log_.append(now_, name_.view(), file.name.view(), label.view(), "-"))
    problems_.push_back(log_.path());
  AuditEntry entry{
      "insert", "", "ok", "expiry", name_.str(), file.name.str(), Text::fromInt(count).str()};
  if (!appendAudit(home_.str(), entry)) problems_.push_back(makePath(home_.view(), kAuditLogName));
}

// A failed mail keeps the record's content: it goes when its catalog would
// have let the record go. A mail names its catalog (a series member by its
// own name).
long GroupExpiry::daysOfMailCatalog(const Text& catalog) const {
  for (const CatalogEntry& entry : group_.catalogs) {
    std::string_view name = catalog.view();
    bool member = entry.isSeries && name.size() > entry.name.str().size() &&
                  equalsIgnoreCase(name.substr(0, entry.name.str().size()), entry.name.view()) &&
                  isDigits(name.substr(entry.name.str().size()));
    if (entry.name.equalsIgnoreCase(name) || member)
      return options_.retention.daysOf(entry.name.view());
  }
  return options_.retention.days;
}

// The webhook spool is pruned as the outbox: its log of deliveries and its
// failed deliveries are personal data of the same records.
void GroupExpiry::pruneMailLogs(bool wait) {
  Outbox outbox(outboxFolder(home_));
  pruneSpool(outbox, wait);
  Outbox spool = webhookSpool(home_);
  pruneSpool(spool, wait);
}

void GroupExpiry::pruneSpool(Outbox& outbox, bool wait) {
  RunnerLock lock;
  if (!lock.acquire(outbox.folder(), wait)) return;
  giveOwnerOf((outbox.folder() + "runner.lck").c_str(), outbox.folder().c_str());
  long long now = outboxNow();
  auto ofGroup = [&](const Text& group) { return group.equalsIgnoreCase(name_.view()); };
  long logDays = options_.retention.logDays(group_.catalogs);
  if (logDays > 0 && outbox.dropSentEntries([&](const Outbox::SentEntry& entry) {
        return ofGroup(entry.group) && entry.time < now - logDays * kSecondsPerDay;
      }) < 0)
    problems_.push_back(outbox.folder() + "sent.log");
  outbox.removeWhere([&](const OutboxMail& mail) {
    long days = mail.state == MailState::Failed && ofGroup(mail.group)
                    ? daysOfMailCatalog(mail.catalog)
                    : 0;
    return days > 0 && mail.created < now - days * kSecondsPerDay;
  });
}

namespace {

struct GroupRef {
  Text name, path;
};

std::optional<SystemSettings> readSettings(const Text& home) {
  bool readable = false;
  Text content = readFileBytes(home + "kalder.ini", &readable);
  if (!readable) return std::nullopt;
  return parseSettingsFile(content.view());
}

Text stampPath(const Text& home) { return home + "expiry.stamp"; }

}  // namespace

std::optional<ExpiryTotals> expireEveryGroup(const Text& home) {
  std::optional<SystemSettings> settings = readSettings(home);
  if (!settings) return std::nullopt;
  ExpiryTotals totals;
  for (const Param& entry : settings->groups) {
    GroupExpiry expiry(home, entry.name, entry.value, DateTime::now());
    if (expiry.load()) totals.records += expiry.run(-1, true);
    for (const Text& problem : expiry.problems()) totals.problems.push_back(problem);
  }
  return totals;
}

bool expiryShareDue(const Text& home) {
  struct stat info;
  if (::stat(stampPath(home).c_str(), &info) != 0) return true;
  return outboxNow() - static_cast<long long>(info.st_mtime) >= kShareSeconds;
}

// The stamp holds the name of the group done last; its time is when. Two
// runs that meet take turns on its lock, and the second finds it fresh.
void runExpiryShare(const Text& home) {
  std::optional<SystemSettings> settings = readSettings(home);
  if (!settings) return;
  List<GroupRef> keeping;
  for (const Param& entry : settings->groups) {
    GroupExpiry expiry(home, entry.name, entry.value, DateTime::now());
    if (expiry.load()) keeping.push_back({entry.name, entry.value});
  }
  if (keeping.empty()) return;
  Text path = stampPath(home);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  struct stat info;
  bool due = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &info) == 0 &&
             (info.st_size == 0 || outboxNow() - info.st_mtime >= kShareSeconds);
  char last[256] = {};
  ssize_t got = due ? ::pread(fd, last, sizeof last - 1, 0) : 0;
  size_t next = 0;
  for (size_t i = 0; got > 0 && i < keeping.size(); ++i)
    if (keeping[i].name == std::string_view(last, static_cast<size_t>(got)))
      next = (i + 1) % keeping.size();
  const GroupRef& group = keeping[next];
  bool stamped =
      due && ::ftruncate(fd, 0) == 0 &&
      ::pwrite(fd, group.name.c_str(), group.name.str().size(), 0) == group.name.length();
  if (stamped) {
    GroupExpiry expiry(home, group.name, group.path, DateTime::now());
    if (expiry.load()) expiry.run(kShareRecords, false);
  }
  ::close(fd);
}

void startDetachedRun(const Text& home, bool deliver, bool expire) {
  bool fold = !deliver && metricEventsWaiting(home);
  if (!deliver && !expire && !fold) return;
  startDetached([&] {
    if (deliver) runOutbox(home, kDetachedRunSeconds);
    if (expire) runExpiryShare(home);
    if (fold) foldMetricEvents(home);
  });
}
