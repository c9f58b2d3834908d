// The group file save under the group lock and the counter re-read.
#include "zorvik/group_counter.h"

#include <algorithm>

#include "common/files/group_lock.h"
#include "common/settings/label_reservation.h"
#include "zorvik/admin_application.h"

void saveGroupLocked(AdminApplication& app, bool keepDiskCounter) {
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  if (keepDiskCounter)
    app.group.count = std::max(app.group.count, app.counterOnDisk(app.group.count));
  bool counterSet = !keepDiskCounter && app.groupChanged;
  app.writeGroup();
  // Labels reserved above a counter the administrator lowered would come
  // back after a restart of the machine.
  if (counterSet) LabelReservation(app.groupPath).resetTo(app.group.count);
}
