// Labels from the group's counter, and the counter line of the group file.
// A counter line of unchanged length is overwritten in place (one small
// write inside the file, flushed to disk, on every submission's path);
// anything else rewrites the whole file through a temporary file, so a
// failure never cuts it short.
#include "common/catalog/counter_line.h"

#include <unistd.h>

#include "common/settings/catalog_group.h"

bool findCounterLine(std::string_view content, size_t& start, size_t& length) {
  for (size_t at = 0; at < content.size();) {
    size_t end = content.find('\n', at);
    end = end == std::string_view::npos ? content.size() : end + 1;
    if (content.substr(at, end - at).starts_with("count=")) {
      start = at;
      length = end - at;
      return true;
    }
    at = end;
  }
  return false;
}

Text withCounterLine(std::string_view content, long count) {
  Text line = Text::format("count=%ld\n", count);
  size_t start = 0, length = 0;
  if (findCounterLine(content, start, length))
    return Text(content.substr(0, start)) + line + content.substr(start + length);
  Text out(content);
  if (!out.empty() && out.last() != '\n') out += '\n';
  return out + line;
}

Text CatalogGroup::nextLabel() {
  ++count;
  return labelPrefix + Text::fromInt(count, 0);
}

void CatalogGroup::saveCounter() {
  if (!fileExists(groupPath)) createEmptyFile(groupPath);
  FilePtr old = openUpdate(groupPath);
  Text content;
  content.readBytes(old.get(), -1);
  Text line = Text::format("count=%ld\n", count);
  size_t start = 0, length = 0;
  if (findCounterLine(content, start, length) && length == line.str().size()) {
    bool written = std::fseek(old.get(), static_cast<long>(start), SEEK_SET) == 0 &&
                   std::fwrite(line.c_str(), 1, length, old.get()) == length &&
                   std::fflush(old.get()) == 0 && fdatasync(fileno(old.get())) == 0;
    bool closed = std::fclose(old.release()) == 0;
    if (!(written && closed)) fatal(messages::kCreateFailed, groupPath);
    return;
  }
  closeFile(old);
  AtomicFile file;
  openReplacement(file, groupPath, privateTempPath(groupPath), groupPath);
  Text updated = withCounterLine(content, count);
  std::fwrite(updated.c_str(), 1, updated.str().size(), file.file());
  commitReplacement(file, groupPath);
}
