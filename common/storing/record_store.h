// RecordStore: storing one submission (submission.h) in a catalog of the
// group under the group lock, and composing and queueing its mails. A part
// the programs hold: insert stores a new submission through it, and show a
// record the administrator releases from the quarantine, with the date,
// time and address it was sent with. It reports failures through the
// group's page (fatal), which ends the request.
#pragma once

#include <functional>

#include "common/files/pending_flush.h"
#include "common/mail/outbox.h"
#include "common/settings/catalog_group.h"
#include "common/storing/submission.h"

class GroupLock;

class RecordStore {
 public:
  // REQUIRES: `group` outlives the store.
  explicit RecordStore(CatalogGroup& group) : app_(group) {}
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // Takes the group lock; a lock file that cannot be made ends the request.
  void lockGroup(GroupLock& lock);
  // Whether the counter is saved for each record: the label is written, or
  // an index lists it. Otherwise every record takes the same label.
  bool countsLabels() const;
  // Under the lock: saves the counter, then stores the record in one of the
  // six ways; a failed store puts the group file back and leaves the catalog
  // and its index as they were.
  void storeCounted(const Submission& submission);
  // Closes a file that was appended to, its flush to disk left for
  // flushStored(); a failed write is cut back to `start` and ends the
  // request with "Cannot open file".
  void finishAppend(FilePtr& file, const Text& path, long start);
  // After the group lock: flushes the files appended to, before the
  // submission is confirmed to anyone. A failed flush ends the request.
  void flushStored();

  // The variables the answer page and the mails see (&label, &date, ...).
  void addSubmissionVariables(const Submission& submission);
  // The mails of the first matching response, one per recipient, in UTF-8.
  List<OutboxMail> composeNotifications(const Submission& submission);
  // A mail from the template at `templatePath` (sender line, subject line,
  // body, expanded as a response's) for the record of `submission`, in
  // UTF-8, its recipient left empty. The sender is the template's (or the
  // local one), never a visitor's; the subject is kept on one line.
  OutboxMail composeTemplateMail(const Submission& submission, const Text& templatePath);
  // Written and flushed as pending before the record is stored; confirmed
  // once it is on disk; dropped when storing failed. The webhooks of the
  // submission last composed (composeNotifications) go with the mails, into
  // the webhook spool.
  void queueNotifications(List<OutboxMail>& mails);
  void confirmNotifications(List<OutboxMail>& mails);
  void dropNotifications(const List<OutboxMail>& mails);
  // Whether webhooks were queued: a delivery run is due as for mails.
  bool queuedWebhooks() const { return !webhooks_.empty(); }
  // A mail template: its sender line, its subject line, then the body, the
  // subject and body expanded with the submission's variables.
  void expandMailTemplate(const Submission& submission, const Text& path, Text& sender,
                          Text& subject, Text& body);

 private:
  void putGroupFileBack(bool existed, const Text& content);
  OutboxMail mailOf(const Submission& submission, const Text& sender, const Text& subject,
                    const Text& body);
  void storeRecord(const Submission& submission);
  long appendRecord(const Submission& submission);
  void appendIndexEntry(const Text& indexPath, const Submission& submission, long offset);
  // Writes the record at the position of `file`, in the group's layout;
  // returns the offset at which it begins.
  long writeRecord(std::FILE* file, const Submission& submission);
  void writeIndexEntry(std::FILE* file, const Submission& submission, long offset);
  // Rewrites `path` through its temporary file: `writeFront` writes what goes
  // before the rest of the old file, which is then copied unchanged.
  void rewriteThroughTemp(const Text& path,
                          const std::function<void(std::FILE* old, std::FILE* temp)>& writeFront);
  void mergeRecords(std::FILE* old, std::FILE* temp, const Submission& submission);
  void mergeIndexEntries(std::FILE* old, std::FILE* temp, const Submission& submission,
                         long offset);
  Text defaultMailBody(const Submission& submission);

  CatalogGroup& app_;
  PendingFlush appended_;
  List<OutboxMail> webhooks_;
};
