// The group-level steps of storing a record: the lock, the counter saved
// before the record and put back when storing fails, and the variables that
// the answer page and the mails see.
#include "common/storing/record_storing.h"

#include <cstdio>

#include "common/access/client_address.h"
#include "common/cgi/request_ended.h"
#include "common/files/atomic_file.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"

Text RecordStoring::submitterAddress() const {
  return recordedAddress.empty() ? recordedClientAddress(*this) : recordedAddress;
}

void RecordStoring::lockGroup(GroupLock& lock) {
  if (!lock.acquire(groupPath)) fatal(messages::kCreateFailed, GroupLock::lockPath(groupPath));
}

// The counter is saved before the record is stored: a submission that dies
// between the two leaves a label unused, never one handed out twice. When
// storing fails, the group file is put back as it was before the request.
bool RecordStoring::countsLabels() const {
  return group.indexMode != ShareMode::None || !group.omittedFields.contains(AutomaticField::Label);
}

void RecordStoring::storeCounted(const CatalogFile& target, const Text& formName, const Text& label,
                                 const Text& refLabel) {
  bool counted = countsLabels();
  SavedFile before;
  if (counted) before = saveCounter();
  try {
    storeRecord(target, formName, label, refLabel);
  } catch (const RequestEnded&) {
    if (counted) putGroupFileBack(before.existed, before.content);
    throw;
  }
}

// Quietly: the error page is written already. If even this fails, the
// counter stays one ahead, which only leaves a label unused.
void RecordStoring::putGroupFileBack(bool existed, const Text& content) {
  if (!existed) {
    std::remove(groupPath.c_str());
    return;
  }
  AtomicFile file;
  if (!file.open(groupPath, privateTempPath(groupPath))) return;
  std::fwrite(content.c_str(), 1, content.str().size(), file.file());
  file.commit();
}

void RecordStoring::addSubmissionVariables(const Text& formName, const CatalogFile& target,
                                           const Text& label, const Text& refLabel) {
  VariableTable& vars = variables();
  vars.add("&formid", formName, AddMode::Append);
  vars.add("&catalog", target.name, AddMode::Append);
  vars.add("&catalogdesc", target.description, AddMode::Append);
  vars.add("&label", label, AddMode::Append);
  vars.add("&reflabel", refLabel, AddMode::Append);
  vars.add(
      "&date",
      Text::fromInt(today.year, 4) + Text::fromInt(today.month, 2) + Text::fromInt(today.day, 2),
      AddMode::Append);
  vars.add("&time", Text::fromInt(today.hour, 2) + Text::fromInt(today.minute, 2), AddMode::Append);
}
