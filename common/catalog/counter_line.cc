// Labels from the group's counter, and the counter line of the group file,
// which is rewritten whole through a temporary file so that a failure never
// leaves the group description cut short.
#include "common/catalog/counter_line.h"

#include "common/settings/catalog_group.h"

Text withCounterLine(std::string_view content, long count) {
  Text line = Text::format("count=%ld\n", count);
  for (size_t start = 0; start < content.size();) {
    size_t end = content.find('\n', start);
    end = end == std::string_view::npos ? content.size() : end + 1;
    if (content.substr(start, end - start).starts_with("count=")) {
      return Text(content.substr(0, start)) + line + content.substr(end);
    }
    start = end;
  }
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
  closeFile(old);
  AtomicFile file;
  openReplacement(file, groupPath, privateTempPath(groupPath), groupPath);
  Text updated = withCounterLine(content, count);
  std::fwrite(updated.c_str(), 1, updated.str().size(), file.file());
  commitReplacement(file, groupPath);
}
