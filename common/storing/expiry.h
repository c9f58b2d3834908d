// Expiry: records older than their catalog keeps them (retention_options.h)
// leave it for good, as an erasure takes them (record_removal.h): a record is
// older than N days when today is more than N days after its stored date
// (&DATE); one stored without a date never expires. A member of a series
// chosen by the date (named by date fields with a year, "visits[YYYY][MM]")
// goes whole once its whole period is that old; a series whose member a
// posted field chooses, and one whose periods come back every year, lose
// their records one by one. Each catalog file that lost records gets one line
// in the log of deletions (deletion_log.h). The mails the outbox keeps of a
// group (lines of "sent.log", failed mails) go once they are older than the
// group keeps its records.
// A group with double opt-in loses the held submissions whose links expired
// (pending_file.h), counted with their catalog's records.
//
// Catalogs are read a record at a time and rewritten a bounded number of
// records at a time, each pass under the group's lock, so memory stays small
// and a submission waits for one pass at most.
#pragma once

#include <optional>

#include "common/catalog/catalog_file.h"
#include "common/catalog/record_layout.h"
#include "common/language/date_time.h"
#include "common/settings/group_file.h"
#include "common/settings/group_options.h"
#include "common/storing/deletion_log.h"
#include "common/text/list.h"
#include "common/text/text.h"

class Outbox;

// The day (daysSinceEpoch) of a stored date "yyyymmdd"; none for anything else.
std::optional<long> storedDateDay(std::string_view date);
// Whether a record of `recordDay` is gone on `today` when its catalog keeps
// records `days` days (0: for ever).
inline bool expiredOn(long today, long recordDay, long days) {
  return days > 0 && today - recordDay > days;
}

// The oldest stored date of the records of `files`, as a day; none when no
// record has one. The files are read a record at a time.
std::optional<long> oldestRecordDay(const CatalogFileList& files, const RecordLayout& layout);

// The expiry of one group of a home.
class GroupExpiry {
 public:
  // The group `name` (as kalder.ini spells it) whose file is `groupPath`, at
  // the local time `now`.
  GroupExpiry(Text home, Text name, Text groupPath, const DateTime& now);

  // Reads the group file and its options; false when the group keeps every
  // record, or its options cannot be read (problems() says which).
  bool load();
  // Expires at most `budget` records (every one that is due when negative;
  // a whole series member counts as its records, and always goes once
  // begun), then the outbox's old lines and failed mails of the group;
  // `waitForMail` waits for a delivery run under way instead of leaving
  // those for the next time. The number of records expired.
  long run(long budget, bool waitForMail);

  // Files that could not be read or written, in the order met.
  const List<Text>& problems() const { return problems_; }

  // Records taken out of a catalog file in one pass under the lock.
  static constexpr long kPassRecords = 10000;

 private:
  long expireFile(const CatalogFile& file, long days, long budget);
  bool periodOver(const CatalogFile& file, long days) const;
  long expireWholeFile(const CatalogFile& file);
  long expirePending(const CatalogFile& file);
  // The one place where a catalog file's count is known: its line in the log
  // of deletions.
  void noteExpired(const CatalogFile& file, long count);
  void pruneMailLogs(bool wait);
  void pruneSpool(Outbox& outbox, bool wait);
  long daysOfMailCatalog(const Text& catalog) const;

  Text home_, name_, groupPath_;
  DateTime now_;
  long today_ = 0;
  GroupDescription group_;
  GroupOptions options_;
  DeletionLog log_;
  List<Text> problems_;
};

struct ExpiryTotals {
  long records = 0;
  List<Text> problems;
};

// Every group of the settings of `home` in full, waiting for locks: the
// command typed on the server. None read: the settings cannot be read.
std::optional<ExpiryTotals> expireEveryGroup(const Text& home);

// The share of the expiry that a detached run after a submission does: one
// group that keeps records for a limited time (the next after the one done
// last, as the stamp file "expiry.stamp" in the home names it), at most
// kShareRecords records, at most once every kShareSeconds.
inline constexpr long kShareRecords = 1000;
inline constexpr long long kShareSeconds = 600;
// Whether a share is due (one look at the stamp's time).
bool expiryShareDue(const Text& home);
void runExpiryShare(const Text& home);

// After a submission, in one detached process: delivers the outbox when
// `deliver` (which folds the metric events too), then does the share of the
// expiry when `expire`. Without a delivery, the events are folded when
// enough of them wait (metrics_state.h), with or without an expiry.
void startDetachedRun(const Text& home, bool deliver, bool expire);
