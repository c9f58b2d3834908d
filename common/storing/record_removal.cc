// Taking records out of a catalog file with their index entries, uploads and
// mails.
#include "common/storing/record_removal.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "common/catalog/index_entry.h"
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/files/atomic_file.h"
#include "common/files/path.h"
#include "common/mail/outbox.h"
#include "common/mail/outbox_run.h"
#include "common/webhook/webhook_spool.h"

namespace {

// A copy of `path` that `write` makes, ready to be put in its place; false
// when the file cannot be read or the copy cannot be written.
template <typename Write>
bool prepareCopy(const Text& path, AtomicFile& temp, Write write) {
  std::FILE* old = std::fopen(path.c_str(), "rb");
  if (!old) return false;
  bool written = temp.open(path, path + ".tmp") && write(old, temp.file());
  std::fclose(old);
  return written;
}

bool sameGroup(const OutboxMail& mail, const Text& groupName) {
  // Mails queued before the outbox took kalder.ini's spelling carry the
  // request's: a group is one group whatever its letter case.
  return mail.group.equalsIgnoreCase(groupName.view());
}

void removeFolder(const Text& folder, long long bytes, const Text& groupPath) {
  std::error_code ignored;
  if (std::filesystem::remove_all(folder.str(), ignored) > 0) addUploadSpace(groupPath, -bytes);
}

}  // namespace

Text RemovalPlace::indexPath() const {
  Text path = indexPathOf(indexMode, groupPath, *file);
  // A catalog file that itself ends in ".idx" is no index of its own.
  return path == file->path ? Text() : path;
}

Text removeRecords(const RemovalPlace& place, const RecordSpans& spans) {
  if (spans.empty()) return Text();
  const Text& path = place.file->path;
  AtomicFile catalog, index;
  if (!prepareCopy(path, catalog, [&](std::FILE* old, std::FILE* temp) {
        return copyCatalogWithout(old, temp, spans);
      }))
    return path;
  Text indexPath = place.indexPath();
  bool indexed = !indexPath.empty() && ::access(indexPath.c_str(), F_OK) == 0;
  bool common = entriesNameCatalog(place.indexMode);
  if (indexed && !prepareCopy(indexPath, index, [&](std::FILE* old, std::FILE* temp) {
        return copyIndexWithout(old, temp, common, place.file->name.view(), spans);
      }))
    return indexPath;
  if (!catalog.commit()) return path;
  if (indexed && !index.commit()) return indexPath;
  std::set<std::string> labels;
  for (const RecordSpan& span : spans) {
    // A record stored without a label has no folder or mail of its own.
    if (span.label.empty()) continue;
    labels.insert(span.label.str());
    Text folder = recordUploadFolder(path.view(), span.label.view());
    removeFolder(folder, folderBytes(folder), place.groupPath);
  }
  for (Outbox spool : {Outbox(outboxFolder(place.home)), webhookSpool(place.home)})
    spool.removeWhere([&](const OutboxMail& mail) {
      return sameGroup(mail, place.groupName) && labels.count(mail.label.str()) > 0;
    });
  return Text();
}

Text removeCatalogFile(const RemovalPlace& place) {
  const Text& path = place.file->path;
  Text indexPath = place.indexPath();
  bool indexed = !indexPath.empty() && ::access(indexPath.c_str(), F_OK) == 0;
  if (indexed && entriesNameCatalog(place.indexMode)) {
    AtomicFile index;
    if (!prepareCopy(indexPath, index,
                     [&](std::FILE* old, std::FILE* temp) {
                       return copyIndexWithoutCatalog(old, temp, place.file->name.view());
                     }) ||
        !index.commit())
      return indexPath;
  } else if (indexed && ::unlink(indexPath.c_str()) != 0) {
    return indexPath;
  }
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return path;
  syncDirectoryOf(path);
  Text folder = catalogUploadFolder(path.view());
  removeFolder(folder, catalogFolderBytes(folder), place.groupPath);
  for (Outbox spool : {Outbox(outboxFolder(place.home)), webhookSpool(place.home)})
    spool.removeWhere([&](const OutboxMail& mail) {
      return sameGroup(mail, place.groupName) && mail.catalogPath == path;
    });
  return Text();
}
