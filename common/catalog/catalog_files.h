// Resolving the catalog names of a group into catalog files: a plain
// catalog, the current or a named member of a series, or every member of a
// series found on disk; and the lists of files that the programs work on.
#pragma once

#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/cgi/cgi_page.h"
#include "common/language/date_time.h"
#include "common/settings/group_file.h"
#include "common/text/param_list.h"

// Appends `file` unless the list holds one of the same name (exact
// comparison); a file not appended is discarded.
void addUnique(CatalogFileList& list, CatalogFile file);

// Every catalog file of `group`: each plain catalog and every member of each
// series found on disk (newest first), in the group's order, descriptions in
// the language `languageIndex`. Nothing in it can be unknown, so it needs no
// page: the commands typed on the server take it.
CatalogFileList everyCatalogFile(GroupDescription& group, int languageIndex);

// Each operation adds to a list and never empties it. A name the group
// lacks ends the request with its fatal error on `page`, which also gives
// the language of a series member's description. The group, whose entries
// the files point to, and the page must outlive the resolver and its lists.
class CatalogResolver {
 public:
  // `today` chooses the current member of a series.
  CatalogResolver(GroupDescription& group, const DateTime& today, CgiPage& page)
      : group_(group), today_(today), page_(page) {}

  // The files of the catalog `name` (of `entry` when given, else found by
  // the name). For a series the catalog's own name (case ignored) gives the
  // current member, the name and "*" every member on disk, newest first,
  // any other name that member. Files carry the group's spelling of names.
  void addCatalogFiles(CatalogFileList& list, std::string_view name, CatalogEntry* entry = nullptr);
  // The same for each value of `param` (the current one, then the further
  // ones); none adds nothing.
  void addCatalogFilesOf(CatalogFileList& list, const Param* param);
  // Every catalog (every member of a series) that takes one of the forms
  // that the values of `param` name.
  void addCatalogsOfForms(CatalogFileList& list, const Param* param);
  void addCatalogsOfForm(CatalogFileList& list, const FormEntry& form);
  // Every catalog of the group, in the group's order.
  void addAllCatalogs(CatalogFileList& list);

 private:
  const FormEntry& formNamed(std::string_view name);

  GroupDescription& group_;
  const DateTime& today_;
  CgiPage& page_;
};
