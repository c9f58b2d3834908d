// Resolving catalog names into catalog files: plain catalogs, the current or
// a named member of a series, and every member of a series found on disk.
#include "common/catalog/catalog_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/catalog/series.h"
#include "common/files/path.h"
#include "common/settings/group_messages.h"

namespace {

struct FoundMember {
  Text sortKey;
  CatalogFile file;
};

bool isOrdinaryFile(const Text& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The names in `directory` of ordinary files that match the wildcard name.
List<Text> listMatchingFiles(const Text& directory, std::string_view wildcardName) {
  List<Text> names;
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return names;
  while (const dirent* item = readdir(dir)) {
    std::string_view name = item->d_name;
    if (matchesWildcard(wildcardName, name) && isOrdinaryFile(directory + name))
      names.push_back(Text(name));
  }
  closedir(dir);
  return names;
}

// A member named in full. Its period digits may come from a visitor's field
// (through the series tag), so anything but digits is refused before it can
// reach a file path, and so is a period that does not exist: month 99 of the
// year 9999 would make a file that sorts as the newest member ever after.
// For the same reason no member later than next year is made; one that
// exists already stays reachable.
void addSeriesMember(CgiPage& page, CatalogFileList& list, CatalogEntry& entry,
                     const SeriesPattern& pattern, const Text& memberName, const DateTime& today) {
  std::string_view digits =
      memberName.view().substr(std::min(memberName.str().size(), entry.name.str().size()));
  if (!isRealPeriod(pattern, digits)) page.fatal(messages::kCatalogNotFound, memberName);
  SeriesMember member = memberFromDigits(pattern, digits);
  struct stat info;
  if (member.date.year > today.year + 1 && ::stat(member.path.c_str(), &info) != 0)
    page.fatal(messages::kCatalogNotFound, memberName);
  addUnique(list, CatalogFile{entry.name + digits, &entry, member.path,
                              formatDate(member.date, entry.description, page.currentIndex())});
}

// Every member whose file exists, latest period first. A matching file whose
// period characters are not the digits of a real period is no member: it
// could never be named, and it might sort before every real member.
void addSeriesMembersOnDisk(int languageIndex, CatalogFileList& list, CatalogEntry& entry,
                            const SeriesPattern& pattern) {
  Text directory = directoryOf(pattern.wildcardPath);
  std::string_view wildcardName = pattern.wildcardPath.view().substr(directory.str().size());
  List<FoundMember> found;
  for (const Text& fileName : listMatchingFiles(directory, wildcardName)) {
    Text digits, sortKey;
    SeriesMember member = memberFromPath(pattern, directory + fileName, digits, sortKey);
    if (!isRealPeriod(pattern, digits)) continue;
    found.push_back(
        {sortKey, CatalogFile{entry.name + digits, &entry, member.path,
                              formatDate(member.date, entry.description, languageIndex)}});
  }
  std::sort(found.begin(), found.end(), [](const FoundMember& a, const FoundMember& b) {
    return b.sortKey < a.sortKey || (b.sortKey == a.sortKey && b.file.path < a.file.path);
  });
  for (FoundMember& member : found) addUnique(list, std::move(member.file));
}

}  // namespace

void addUnique(CatalogFileList& list, CatalogFile file) {
  for (const CatalogFile& held : list)
    if (held.name == file.name) return;
  list.push_back(std::move(file));
}

void CatalogResolver::addCatalogFiles(CatalogFileList& list, std::string_view name,
                                      CatalogEntry* entry) {
  if (!entry) entry = group_.findCatalog(name);
  if (!entry) page_.fatal(messages::kCatalogNotFound, name);
  Text path = makePath(group_.workDir, entry->dataFile);
  // Files carry the group's spelling of the name: a request for "ORDERS"
  // must not write entries that a common index holds apart from "orders".
  if (!entry->isSeries) {
    addUnique(list, CatalogFile{entry->name, entry, path, entry->description});
    return;
  }
  SeriesPattern pattern = parseSeriesPattern(path);
  const Text& own = entry->name;
  if (own.equalsIgnoreCase(name)) {
    addSeriesMember(page_, list, *entry, pattern, own + currentPeriodDigits(pattern, today_),
                    today_);
  } else if (name.size() == own.str().size() + 1 && name.back() == '*' &&
             own.equalsIgnoreCase(name.substr(0, name.size() - 1))) {
    addSeriesMembersOnDisk(page_.currentIndex(), list, *entry, pattern);
  } else {
    addSeriesMember(page_, list, *entry, pattern, Text(name), today_);
  }
}

void CatalogResolver::addCatalogFilesOf(CatalogFileList& list, const Param* param) {
  if (!param) return;
  addCatalogFiles(list, param->value, nullptr);
  for (const Text& value : param->further) addCatalogFiles(list, value, nullptr);
}

const FormEntry& CatalogResolver::formNamed(std::string_view name) {
  const FormEntry* form = group_.findForm(name);
  if (!form) page_.fatal(messages::kFormNotFound, name);
  return *form;
}

void CatalogResolver::addCatalogsOfForms(CatalogFileList& list, const Param* param) {
  if (!param) return;
  addCatalogsOfForm(list, formNamed(param->value));
  for (const Text& value : param->further) addCatalogsOfForm(list, formNamed(value));
}

void CatalogResolver::addCatalogsOfForm(CatalogFileList& list, const FormEntry& form) {
  for (CatalogEntry& catalog : group_.catalogs) {
    bool listed = std::any_of(catalog.forms.begin(), catalog.forms.end(),
                              [&](const Text& name) { return name.equalsIgnoreCase(form.name); });
    if (listed) addCatalogFiles(list, catalog.name + (catalog.isSeries ? "*" : ""), &catalog);
  }
}

void CatalogResolver::addAllCatalogs(CatalogFileList& list) {
  for (CatalogEntry& catalog : group_.catalogs)
    addCatalogFiles(list, catalog.name + (catalog.isSeries ? "*" : ""), &catalog);
}

CatalogFileList everyCatalogFile(GroupDescription& group, int languageIndex) {
  CatalogFileList list;
  for (CatalogEntry& entry : group.catalogs) {
    Text path = makePath(group.workDir, entry.dataFile);
    if (entry.isSeries)
      addSeriesMembersOnDisk(languageIndex, list, entry, parseSeriesPattern(path));
    else
      addUnique(list, CatalogFile{entry.name, &entry, path, entry.description});
  }
  return list;
}
