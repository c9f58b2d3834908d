// Storing a held-back submission in the group's quarantine: under the group
// lock, with a label of the quarantine's own counter and its uploads beside
// the quarantine file, and no mail. Records that stayed too long go first.
#include "common/catalog/quarantine_file.h"
#include "common/catalog/upload_folder.h"
#include "common/cgi/request_ended.h"
#include "common/files/group_lock.h"
#include "insert/spam_messages.h"
#include "insert/submit_application.h"

Text SubmitApplication::quarantine(const CatalogFile& target, const Text& formName,
                                   const Text& refLabel, const Text& reason) {
  Text path = quarantinePath(groupPath);
  GroupLock lock;
  lockGroup(lock);
  if (!dropExpiredQuarantine(groupPath, today, options.spam.quarantineDays))
    fatal(spamMessages::kQuarantineUnwritable, path);
  Text label = takeQuarantineLabel(groupPath, group.labelPrefix);
  if (label.empty()) fatal(spamMessages::kQuarantineUnwritable, quarantineCounterPath(groupPath));
  uploads_.moveInto(recordUploadFolder(path.view(), label.view()));
  AutomaticValues automatic = automaticValues(label, formName, submitterAddress(), today, refLabel);
  Text record = quarantineRecordText(automatic, target.name.view(), reason.view(), postParams());
  FilePtr file = openAppend(path);
  long start = std::ftell(file.get());
  std::fwrite(record.c_str(), 1, record.str().size(), file.get());
  finishAppend(file, path, start);
  uploads_.keep();
  addSubmissionVariables(formName, target, label, refLabel);
  return label;
}
