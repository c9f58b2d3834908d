// The group-level steps of storing a submission: the lock, the counter saved
// before the record and put back when storing fails, and the variables that
// the answer page and the mails see.
#include "common/storing/record_store.h"

#include <cstdio>

#include "common/cgi/request_ended.h"
#include "common/files/atomic_file.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"

void RecordStore::lockGroup(GroupLock& lock) {
  if (!lock.acquire(app_.groupPath))
    app_.fatal(messages::kCreateFailed, GroupLock::lockPath(app_.groupPath));
}

// The counter is saved before the record is stored: a submission that dies
// between the two leaves a label unused, never one handed out twice. When
// storing fails, the group file is put back as it was before the request.
bool RecordStore::countsLabels() const {
  const GroupDescription& group = app_.group;
  return group.indexMode != ShareMode::None || !group.omittedFields.contains(AutomaticField::Label);
}

void RecordStore::storeCounted(const Submission& submission) {
  bool counted = countsLabels();
  CatalogGroup::SavedFile before;
  if (counted) before = app_.saveCounter();
  try {
    storeRecord(submission);
  } catch (const RequestEnded&) {
    if (counted) putGroupFileBack(before.existed, before.content);
    throw;
  }
}

// Quietly: the error page is written already. If even this fails, the
// counter stays one ahead, which only leaves a label unused.
void RecordStore::putGroupFileBack(bool existed, const Text& content) {
  const Text& groupPath = app_.groupPath;
  if (!existed) {
    std::remove(groupPath.c_str());
    return;
  }
  AtomicFile file;
  if (!file.open(groupPath, privateTempPath(groupPath))) return;
  std::fwrite(content.c_str(), 1, content.str().size(), file.file());
  file.commit();
}

void RecordStore::addSubmissionVariables(const Submission& submission) {
  VariableTable& vars = app_.variables();
  const DateTime& sent = submission.sent;
  vars.add("&formid", submission.formName, AddMode::Append);
  vars.add("&catalog", submission.target.name, AddMode::Append);
  vars.add("&catalogdesc", submission.target.description, AddMode::Append);
  vars.add("&label", submission.label, AddMode::Append);
  vars.add("&reflabel", submission.refLabel, AddMode::Append);
  vars.add("&date",
           Text::fromInt(sent.year, 4) + Text::fromInt(sent.month, 2) + Text::fromInt(sent.day, 2),
           AddMode::Append);
  vars.add("&time", Text::fromInt(sent.hour, 2) + Text::fromInt(sent.minute, 2), AddMode::Append);
}
