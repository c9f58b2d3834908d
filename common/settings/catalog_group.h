// CatalogGroup: the application layer that holds one group of catalogs, read
// from its group description file; every program's object derives from it.
// The group named by PATH_INFO is loaded at construction.
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/language/date_time.h"
#include "common/settings/cgi_application.h"
#include "common/settings/group_entries.h"

namespace messages {
inline constexpr MessageTable kUnknownGroup{"Unknown group of catalogs: <tt>%s</tt>",
                                            "Ne poznam skupine katalogov z imenom <tt>%s</tt>"};
inline constexpr MessageTable kFormNotFound{"Cannot find form <tt>%s</tt>",
                                            "Ne najdem obrazca <tt>%s</tt>"};
inline constexpr MessageTable kCatalogNotFound{"Cannot find catalog <tt>%s</tt>",
                                               "Ne najdem kataloga <tt>%s</tt>"};
inline constexpr MessageTable kNoGroup{"Group of catalogs is not specified",
                                       "Skupina katalogov ni dolo&ccaron;ena"};
inline constexpr MessageTable kNoCatalogForForm{"Catalog for form <tt>%s</tt> is not specified",
                                                "Katalog za obrazec <tt>%s</tt> ni dolo&ccaron;ena"};
inline constexpr MessageTable kBadRecord{"Error in data", "Napaka v podatkih"};
inline constexpr MessageTable kNoForm{"Form is not specified", "Obrazec ni dolo&ccaron;en"};
}  // namespace messages

class CatalogGroup : public CgiApplication {
 public:
  // Notes the time and loads the group that PATH_INFO names, if any; an
  // unknown name ends the request with "Unknown group of catalogs".
  CatalogGroup() : CatalogGroup("text/html") {}
  // The same with another content type, or none to write the header later.
  explicit CatalogGroup(const char* contentType);

  // Loads a group description file into this (empty) group.
  void readGroup(const Text& name, const Text& path);
  // Rewrites the group description file when it is marked changed.
  void writeGroup();
  // Writes what is still marked changed: the group file, then the settings.
  void finish() {
    writeGroup();
    writeSettings();
  }

  // The first form or catalog of that name; fatal when there is none.
  FormEntry& findForm(std::string_view name);
  CatalogEntry& findCatalog(std::string_view name);

  DateTime today;
  Text groupName;
  Text groupPath;
  Text description;
  Text workDir;
  List<FormEntry> forms;
  Text defaultForm;
  List<CatalogEntry> catalogs;
  List<ResponseEntry> responses;
  Text dataFields;
  InsertMode insertMode = InsertMode::End;
  Text sortField;
  int sortNumeric = 0;
  int sortReverse = 0;
  int omittedFields = 0;  // bits L 1, F 2, C 4, D 8, T 16, R 32
  Text labelPrefix;
  long count = 0;
  ShareMode indexMode = ShareMode::Private;
  ShareMode changesMode = ShareMode::None;
  int logChanges = 0;
  ParamList groupVariables;
  int groupChanged = 0;

  // Catalog files (implemented in common/catalog). Each adds to `list` and
  // never empties it; names the group lacks end the request with their fatal error.
  void addCatalogFiles(CatalogFileList& list, std::string_view name, CatalogEntry* entry);
  void addCatalogFilesOf(CatalogFileList& list, const Param* param);
  void addCatalogsOfForms(CatalogFileList& list, const Param* param);
  void addCatalogsOfForm(CatalogFileList& list, const FormEntry& form);
  void addAllCatalogs(CatalogFileList& list);
  static void addUnique(CatalogFileList& list, CatalogFile file);

  // Advances the counter and returns the new label (prefix and number).
  Text nextLabel();
  // Writes the counter line "count=N" of the group description file, keeping
  // every other line as it is.
  void saveCounter();

  // Records. writeRecord returns the offset at which the record begins.
  long writeRecord(std::FILE* file, const Text& label, const Text& formName, const Text& refLabel);
  void writeField(std::FILE* file, const Text& name, const Text& value);
  // Reads the next record into `fields`; returns its text, empty at the end of
  // the file. A malformed item-form record ends the request with "Error in data".
  Text readRecord(std::FILE* file, ParamList& fields);

  // Index entries.
  void writeIndexEntry(std::FILE* file, const Text& label, const Text& formName,
                       const CatalogFile& catalogFile, long offset, const Text& refLabel);
  // Reads the next entry; returns its line with a line feed, empty at the end.
  Text readIndexEntry(std::FILE* file, Text& label, Text& formName, Text& catalogName,
                      long& offset, Text& refLabel);

  // Parses one line of a group description file (comments and lines that do
  // not qualify are ignored).
  void readGroupLine(const Text& line);
  // Writes the whole group description in the file's line order.
  void writeGroupTo(std::FILE* out) const;

 private:
  void resetGroup(const Text& name, const Text& path);
  void readInsert(const Text& value);
  void readForm(Text value);
  void readCatalog(Text value);
  void readResponse(Text value);
};

// The omitted-field letters in bit order (L F C D T R).
inline constexpr char kOmittedLetters[] = "LFCDTR";
