// Loading a group and finding its forms and catalogs by name.
#include "common/settings/catalog_group.h"

#include "common/files/path.h"

CatalogGroup::CatalogGroup(const char* contentType)
    : CgiApplication(contentType), today(DateTime::now()) {
  if (pathInfo().empty()) return;
  const Param* entry = groups.find(pathInfo());
  if (!entry) fatal(messages::kUnknownGroup, pathInfo());
  readGroup(pathInfo(), entry->value);
}

FormEntry& CatalogGroup::findForm(std::string_view name) {
  for (FormEntry& form : forms)
    if (form.name.equalsIgnoreCase(name)) return form;
  fatal(messages::kFormNotFound, name);
}

namespace {

bool allDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool catalogMatches(const CatalogEntry& entry, std::string_view name) {
  if (entry.name.equalsIgnoreCase(name)) return true;
  if (!entry.isSeries) return false;
  std::string_view own = entry.name.view();
  if (name.size() == own.size() + 1 && name.back() == '*' &&
      equalsIgnoreCase(name.substr(0, own.size()), own))
    return true;
  return name.substr(0, own.size()) == own && allDigits(name.substr(own.size()));
}

}  // namespace

CatalogEntry& CatalogGroup::findCatalog(std::string_view name) {
  for (CatalogEntry& entry : catalogs)
    if (catalogMatches(entry, name)) return entry;
  fatal(messages::kCatalogNotFound, name);
}
