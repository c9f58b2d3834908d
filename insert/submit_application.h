// SubmitApplication: the program object of insert. One run stores one posted
// form as a new labelled record, saves the counter, mails the first matching
// response and answers with the form's message page.
#pragma once

#include <functional>

#include "common/catalog/catalog_files.h"
#include "common/mail/outbox.h"
#include "common/settings/catalog_group.h"
#include "insert/upload_spool.h"

class SubmitApplication : public CatalogGroup {
 public:
  // The header waits for runSubmission, so that a request which may not
  // store can be answered with its own status. Scripts of the sites the
  // group allows may read every answer (cross_origin.h).
  SubmitApplication() : CatalogGroup(nullptr, ScriptAccess{}) {}

  // The whole submission; every failure ends the request with an error page
  // (a JSON object when a script asks for one). Only a POST stores (see
  // method_refusal.h), and only from a site the group allows
  // (submission_answer.h). Answers with the form's page, a JSON object or
  // the redirect the group's options name.
  void runSubmission();

 private:
  // Posted fields named like system variables ("&label", "&date").
  void dropSystemNames();

  // Files (upload_receipt.cc). Reads a multipart body, which waits until the
  // group's upload limits are known, its files into the spool; a refused
  // body ends the request with its status.
  void receiveBody();
  // The catalog the files are spooled beside: the one chosen before the
  // body's fields are known (a series member they name lies beside it).
  CatalogFile uploadTarget();
  // The files of the default mail, a line each.
  Text uploadLines();
  UploadSpool uploads_{*this};

  // Choosing.
  // Resolves the catalog names of this group.
  CatalogResolver catalogFiles() { return CatalogResolver(group, today, *this); }
  Text chooseFormName();
  CatalogFile chooseTarget(const Text& formName, const FormEntry& form);

  // Storing, under the group lock.
  void lockGroup(class GroupLock& lock);
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
  // Closes a file that was appended to; a failed write is cut back to
  // `start` and ends the request with "Cannot open file".
  void finishAppend(FilePtr& file, const Text& path, long start);

  // After storing.
  void addSubmissionVariables(const Text& formName, const CatalogFile& target, const Text& label,
                              const Text& refLabel);
  List<OutboxMail> composeNotifications(const Text& formName, const CatalogFile& target,
                                        const Text& label, const Text& refLabel);
  Text postedCharset() const;
  void queueNotifications(List<OutboxMail>& mails);
  void confirmNotifications(List<OutboxMail>& mails);
  void dropNotifications(const List<OutboxMail>& mails);
  Text defaultMailBody(const Text& formName, const CatalogFile& target, const Text& label,
                       const Text& refLabel);
  // The page, the JSON answer or the redirect of a stored submission.
  void answer(const FormEntry& form, const CatalogFile& target, const Text& label,
              const Text& redirect);
  void writeAnswerPage(const FormEntry& form);
};
