// Loading and saving a group description file, its counter line, and finding
// the group's forms and catalogs by name.
#include "common/settings/catalog_group.h"

#include <unistd.h>

#include <utility>

#include "common/access/cross_origin.h"
#include "common/cgi/request_refusal.h"
#include "common/language/language_file.h"
#include "common/metrics/metric_events.h"
#include "common/settings/label_reservation.h"

CatalogGroup::CatalogGroup(const RequestContext& context, const char* contentType)
    : CgiApplication(context, contentType), today(DateTime::now()) {
  if (pathInfo().empty()) return;
  const Param* entry = settings.groups.find(pathInfo());
  if (!entry) fatal(messages::kUnknownGroup, pathInfo());
  readGroup(pathInfo(), entry->value);
}

CatalogGroup::CatalogGroup(const RequestContext& context, const char* contentType, ScriptAccess)
    : CgiApplication(context, contentType, RefuseLater{}), today(DateTime::now()) {
  const Param* entry = pathInfo().empty() ? nullptr : settings.groups.find(pathInfo());
  if (entry) {
    readGroup(pathInfo(), entry->value);
    addAnswerHeaderLines(crossOriginHeaderLines(options, requestOrigin(*this)));
    // Counted here since the refusal ends the request before the program's
    // own object exists.
    if (refusal() != Refusal::None)
      countSubmission(*this, "refused_" + std::string(refusalName(refusal())));
  }
  refuseRequest(*this);
  if (!pathInfo().empty() && !entry) fatal(messages::kUnknownGroup, pathInfo());
}

void CatalogGroup::readGroup(const Text& name, const Text& path) {
  groupName = name;
  const Param* entry = settings.groups.find(name.view());
  groupSettingsName = entry ? entry->name : name;
  groupPath = path;
  groupChanged = false;
  readOptions(groupOptionsPath(path));
  FilePtr file = openRead(path, OpenMode::Quiet);
  if (!file) {
    group = parseGroupFile("", path);
    return;
  }
  Text content;
  content.readBytes(file.get(), -1);
  closeFile(file);
  group = parseGroupFile(content, path);
  variables().add("&group", groupName, AddMode::Replace);
  variables().add("&groupdesc", group.description, AddMode::Replace);
}

void CatalogGroup::readOptions(const Text& path) {
  options = GroupOptions();
  Text content;
  if (!readWholeFile(path, OpenMode::IfExists, content)) return;
  options = parseGroupOptions(content);
}

void CatalogGroup::writeGroup() {
  if (groupName.empty() || !groupChanged) return;
  groupChanged = false;
  Text content = groupFileText(group, groupPath);
  AtomicFile file;
  openReplacement(file, groupPath, privateTempPath(groupPath), groupPath);
  std::fwrite(content.c_str(), 1, content.str().size(), file.file());
  commitReplacement(file, groupPath);
}

FormEntry& CatalogGroup::findForm(std::string_view name) {
  FormEntry* form = group.findForm(name);
  if (!form) fatal(messages::kFormNotFound, name);
  return *form;
}

CatalogEntry& CatalogGroup::findCatalog(std::string_view name) {
  CatalogEntry* entry = group.findCatalog(name);
  if (!entry) fatal(messages::kCatalogNotFound, name);
  return *entry;
}

long CatalogGroup::counterOnDisk(long fallback) {
  CounterUnderLock& held = counterUnderLock_;
  held = CounterUnderLock();
  held.file.reset(std::fopen(groupPath.c_str(), "r+"));
  // A group file this process may only read still tells the counter; a
  // submission that must save it fails there.
  if (!held.file) held.file.reset(std::fopen(groupPath.c_str(), "r"));
  if (!held.file) return fallback;
  if (held.content.readBytes(held.file.get(), -1) < 0 || std::ferror(held.file.get())) {
    held = CounterUnderLock();
    return fallback;
  }
  held.reservation.emplace(groupPath);
  return held.reservation->recoveredCounter(findCounterLine(held.content).count);
}

Text CatalogGroup::languageFile(const Text& path) const {
  if (!options.autoReply.languageFiles) return path;
  return languageFilePath(path, currentLanguage().shortName,
                          [&](const Text& candidate) { return fileExists(candidate); });
}

CatalogGroup::SavedFile CatalogGroup::saveCounter() {
  CounterUnderLock held;
  std::swap(held, counterUnderLock_);  // what the request held, and nothing left held
  SavedFile before{held.file != nullptr || fileExists(groupPath), Text()};
  if (!before.existed) createEmptyFile(groupPath);
  FilePtr old = std::move(held.file);
  Text content = std::move(held.content);
  if (!old) {
    old = openUpdate(groupPath);
    if (content.readBytes(old.get(), -1) < 0 || std::ferror(old.get()))
      fatal(messages::kOpenFailed, groupPath);
  }
  if (!held.reservation) held.reservation.emplace(groupPath);
  before.content = content;
  Text line = counterLineText(group.count);
  CounterLine counter = findCounterLine(content);
  if (counter.found && counter.length == line.str().size()) {
    // Within the reserved labels the line needs no flush of its own: the
    // submission's one flush to disk is its record's.
    bool reserved = held.reservation->reserveUpTo(group.count);
    bool written = std::fseek(old.get(), static_cast<long>(counter.start), SEEK_SET) == 0 &&
                   std::fwrite(line.c_str(), 1, counter.length, old.get()) == counter.length &&
                   std::fflush(old.get()) == 0 && (reserved || fdatasync(fileno(old.get())) == 0);
    bool closed = std::fclose(old.release()) == 0;
    if (!(written && closed)) fatal(messages::kCreateFailed, groupPath);
    return before;
  }
  closeFile(old);
  Text updated = withCounter(content, group.count);
  AtomicFile file;
  openReplacement(file, groupPath, privateTempPath(groupPath), groupPath);
  std::fwrite(updated.c_str(), 1, updated.str().size(), file.file());
  commitReplacement(file, groupPath);
  return before;
}

void countSubmission(const CatalogGroup& app, std::string_view outcome) {
  if (app.groupSettingsName.empty()) return;
  countMetricEvent(app.home(), kSubmissionMetric, app.groupSettingsName.view(), outcome);
}
