// Appending to the log of deletions.
#include "common/storing/deletion_log.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/files/file_modes.h"
#include "common/files/path.h"
#include "common/text/file_lines.h"

DeletionLog::~DeletionLog() {
  if (fd_ >= 0) ::close(fd_);
}

bool DeletionLog::open(const Text& home) {
  path_ = makePath(home, kDeletionLogName);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd_ >= 0) giveOwnerOf(path_.c_str(), home.c_str());
  return fd_ >= 0;
}

bool DeletionLog::append(const DateTime& when, std::string_view group, std::string_view catalog,
                         std::string_view label, std::string_view address) {
  Text line = Text::fromInt(when.year, 4) + "-" + Text::fromInt(when.month, 2) + "-" +
              Text::fromInt(when.day, 2) + " " + Text::fromInt(when.hour, 2) + ":" +
              Text::fromInt(when.minute, 2);
  for (std::string_view part : {group, catalog, label, address}) {
    Text value = oneLine(part);
    value.replaceChar('\t', ' ');
    line += "\t";
    line += value;
  }
  line += "\n";
  return fd_ >= 0 && ::write(fd_, line.c_str(), line.str().size()) == line.length() &&
         ::fsync(fd_) == 0;
}
