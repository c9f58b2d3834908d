// RecordStoring: storing one record in a catalog of the group under the
// group lock, and composing and queueing its mails. A new submission stores
// through it, and so does a record the administrator releases from the
// quarantine, with the date, time and address it was sent with.
#pragma once

#include <functional>

#include "common/catalog/catalog_files.h"
#include "common/files/pending_flush.h"
#include "common/mail/outbox.h"
#include "common/settings/catalog_group.h"

class GroupLock;

class RecordStoring : public CatalogGroup {
 public:
  using CatalogGroup::CatalogGroup;
  virtual ~RecordStoring() = default;

  // The address the record and its mails name: the one it was sent from.
  Text submitterAddress() const;
  // Set for a record sent earlier; empty: the request's REMOTE_ADDR.
  Text recordedAddress;

  // Storing, under the group lock.
  void lockGroup(class GroupLock& lock);
  // Whether the counter is saved for each record: the label is written, or
  // an index lists it. Otherwise every record takes the same label.
  bool countsLabels() const;
  // Saves the counter, then stores the record; a failed store puts the group
  // file back.
  void storeCounted(const CatalogFile& target, const Text& formName, const Text& label,
                    const Text& refLabel);
  void putGroupFileBack(bool existed, const Text& content);
  void storeRecord(const CatalogFile& target, const Text& formName, const Text& label,
                   const Text& refLabel);
  long appendRecord(const CatalogFile& target, const Text& formName, const Text& label,
                    const Text& refLabel);
  void appendIndexEntry(const Text& indexPath, const CatalogFile& target, const Text& formName,
                        const Text& label, long offset, const Text& refLabel);
  // Writes the record at the position of `file`, in the group's layout;
  // returns the offset at which it begins.
  long writeRecord(std::FILE* file, const Text& formName, const Text& label, const Text& refLabel);
  void writeIndexEntry(std::FILE* file, const CatalogFile& target, const Text& formName,
                       const Text& label, long offset, const Text& refLabel);
  // Rewrites `path` through its temporary file: `writeFront` writes what goes
  // before the rest of the old file, which is then copied unchanged.
  void rewriteThroughTemp(const Text& path,
                          const std::function<void(std::FILE* old, std::FILE* temp)>& writeFront);
  void mergeRecords(std::FILE* old, std::FILE* temp, const Text& formName, const Text& label,
                    const Text& refLabel);
  void mergeIndexEntries(std::FILE* old, std::FILE* temp, const CatalogFile& target,
                         const Text& formName, const Text& label, long offset,
                         const Text& refLabel);
  Text newSortKey() const;
  // Closes a file that was appended to, its flush to disk left for
  // flushStored(); a failed write is cut back to `start` and ends the
  // request with "Cannot open file".
  void finishAppend(FilePtr& file, const Text& path, long start);
  // After the group lock: flushes the files appended to, before the
  // submission is confirmed to anyone. A failed flush ends the request with
  // "Cannot open file".
  void flushStored();

  // After storing.
  void addSubmissionVariables(const Text& formName, const CatalogFile& target, const Text& label,
                              const Text& refLabel);
  List<OutboxMail> composeNotifications(const Text& formName, const CatalogFile& target,
                                        const Text& label, const Text& refLabel);
  void queueNotifications(List<OutboxMail>& mails);
  void confirmNotifications(List<OutboxMail>& mails);
  void dropNotifications(const List<OutboxMail>& mails);
  Text defaultMailBody(const Text& formName, const CatalogFile& target, const Text& label,
                       const Text& refLabel);

 protected:
  PendingFlush appended_;
  // The files of the default mail, a line each.
  virtual Text uploadLines() { return Text(); }
};
