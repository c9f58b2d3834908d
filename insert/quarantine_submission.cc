// Storing a held-back submission in the group's quarantine: under the group
// lock, with a label of the quarantine's own counter and its uploads beside
// the quarantine file, and no mail. Records that stayed too long go first.
// The record is appended; the file is not read (but for its first record,
// whose age tells whether any expired), so the time spent under the lock
// does not grow with the quarantine. A full quarantine refuses it (429).
#include <sys/stat.h>

#include "common/catalog/quarantine_file.h"
#include "common/catalog/spam_messages.h"
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/cgi/request_ended.h"
#include "common/files/group_lock.h"
#include "insert/submit_application.h"

Text SubmitApplication::quarantine(Submission& submission, const Text& reason) {
  Text path = quarantinePath(groupPath);
  GroupLock lock;
  store_.lockGroup(lock);
  if (!dropExpiredQuarantine(groupPath, today, options.spam.quarantineDays))
    fatal(spamMessages::kQuarantineUnwritable, path);
  refuseOverfullQuarantine(path, submission, reason);
  submission.label = takeQuarantineLabel(groupPath, group.labelPrefix);
  if (submission.label.empty())
    fatal(spamMessages::kQuarantineUnwritable, quarantineCounterPath(groupPath));
  uploads_.moveInto(recordUploadFolder(path.view(), submission.label.view()));
  Text record = quarantineRecordText(submission.automatic(), submission.target.name.view(),
                                     reason.view(), submission.fields);
  FilePtr file = openAppend(path);
  long start = std::ftell(file.get());
  std::fwrite(record.c_str(), 1, record.str().size(), file.get());
  store_.finishAppend(file, path, start);
  uploads_.keep();
  addUploadSpace(groupPath, uploads_.bytes());
  store_.addSubmissionVariables(submission);
  return submission.label;
}

// Measured with an empty label before one is taken: a refused submission
// leaves the quarantine's counter as it was.
void SubmitApplication::refuseOverfullQuarantine(const Text& path, const Submission& submission,
                                                 const Text& reason) {
  struct stat info;
  long long size = ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
  Text record = quarantineRecordText(submission.automatic(), submission.target.name.view(),
                                     reason.view(), submission.fields);
  if (size + static_cast<long long>(record.str().size()) <= options.spam.quarantineMaxSize) return;
  countSubmission(*this, "refused_quarantine_full");
  setStatus("429 Too Many Requests");
  fatal(spamMessages::kQuarantineFull);
}
