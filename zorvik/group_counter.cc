// The group file save under the group lock and the counter re-read.
#include "zorvik/group_counter.h"

#include "common/files/group_lock.h"
#include "zorvik/admin_application.h"

namespace {

// True for a "count=" line (the key compares ignoring case), with its number
// in `value` as the group reader takes it.
bool readCounterLine(const Text& line, long& value) {
  long eq = line.findChar('=');
  if (eq != 5 || !line.substring(0, eq).equalsIgnoreCase("COUNT")) return false;
  value = leadingNumber(line.view().substr(6));
  return true;
}

}  // namespace

long counterOnDisk(const Text& groupPath, long fallback) {
  std::FILE* file = std::fopen(groupPath.c_str(), "r");
  if (!file) return fallback;
  long counter = 0;
  Text line;
  while (line.readLine(file) >= 0) {
    long value = 0;
    if (readCounterLine(line, value)) counter = value;
  }
  std::fclose(file);
  return counter;
}

void saveGroupLocked(AdminApplication& app, bool keepDiskCounter) {
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  if (keepDiskCounter) app.count = counterOnDisk(app.groupPath, app.count);
  app.writeGroup();
}
