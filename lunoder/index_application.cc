// Rebuilding the index files of a group: one private index beside each
// catalog file, or one common index beside the group description file. Each
// index is written through a temporary file, so a failed rebuild leaves the
// old index whole.
#include "lunoder/index_application.h"

#include "common/access/audit_action.h"
#include "common/catalog/index_entry.h"
#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/html_escape.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "lunoder/index_order.h"

namespace {

// Keeps the first value of "&label", "&formid", "&reflabel" and the sort
// field of a record (names in either case), normalised as a parameter list
// stores a value.
class IndexFields : public FieldSink {
 public:
  enum Slot { kLabel, kFormName, kRefLabel, kSortKey, kSlots };

  // Without a sort field no record gives a key.
  explicit IndexFields(std::string_view sortField)
      : names_{"&label", "&formid", "&reflabel", sortField} {}

  void reset() {
    for (int i = 0; i < kSlots; ++i) {
      values[i] = Text();
      seen_[i] = false;
    }
  }
  bool wants(std::string_view name) override {
    for (int i = 0; i < kSlots; ++i)
      if (!seen_[i] && matches(i, name)) return true;
    return false;
  }
  void field(std::string_view name, std::string_view value) override {
    for (int i = 0; i < kSlots; ++i) {
      if (seen_[i] || !matches(i, name)) continue;
      seen_[i] = true;
      values[i] = Text(value);
      expandQuotedLetters(values[i]);
      values[i].removeChar('\r');
    }
  }

  Text values[kSlots];

 private:
  bool matches(int i, std::string_view name) const {
    return !names_[i].empty() && equalsIgnoreCase(name, names_[i]);
  }

  std::string_view names_[kSlots];
  bool seen_[kSlots] = {};
};

bool isCatalogPath(const CatalogFileList& list, const Text& path) {
  for (const CatalogFile& file : list)
    if (file.path == path) return true;
  return false;
}

// True when the request chose the catalogs to rebuild.
bool choosesCatalogs(const CgiRequest& request) {
  for (const char* name : {"form", "catalog"})
    if (request.postParams().find(name) || request.queryParams().find(name)) return true;
  return false;
}

bool isListed(const CatalogFileList& list, std::string_view catalogName) {
  for (const CatalogFile& file : list)
    if (file.name.equalsIgnoreCase(catalogName)) return true;
  return false;
}

// Copies the entries of the common index at `indexPath` that belong to no
// catalog of `list`: a rebuild of some catalogs keeps those of the others.
void copyOtherCatalogs(CgiApplication& app, const Text& indexPath, const CatalogFileList& list,
                       std::FILE* out) {
  FilePtr old = app.openRead(indexPath, OpenMode::Quiet);
  if (!old) return;
  BlockLines lines(old.get());
  std::string_view line;
  while (lines.next(line)) {
    if (isListed(list, parseIndexEntry(line, true).catalogName)) continue;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fputc('\n', out);
  }
  if (std::ferror(old.get())) app.fatal(messages::kOpenFailed, indexPath);
}

}  // namespace

void IndexApplication::buildIndexes() {
  if (pathInfo().empty()) fatal(messages::kNoGroup);
  if (group.indexMode == ShareMode::None) warning(messages::kNoIndexFiles, groupName);
  if (group.omittedFields.contains(AutomaticField::Label) ||
      group.omittedFields.contains(AutomaticField::FormId))
    warning(messages::kRecordsLackData);
  // Submissions append to catalogs and indexes under the same lock, so none
  // of them is lost between reading a catalog and replacing its index.
  AuditedAction audit(*this, "index rebuilt");
  GroupLock lock;
  if (!lock.acquire(groupPath)) fatal(messages::kCreateFailed, GroupLock::lockPath(groupPath));
  CatalogFileList list = selectedCatalogs();
  if (group.indexMode == ShareMode::Common) {
    writeCommonIndex(list);
  } else {
    for (const CatalogFile& file : list) writePrivateIndex(file, list);
  }
  lock.release();
  audit.done(groupSettingsName, {}, Text::fromInt(static_cast<long>(list.size())));
  writeResultPage(list);
}

CatalogFileList IndexApplication::selectedCatalogs() {
  CatalogFileList list;
  CatalogResolver catalogFiles(group, today, *this);
  catalogFiles.addCatalogsOfForms(list, postParams().find("form"));
  catalogFiles.addCatalogsOfForms(list, queryParams().find("form"));
  catalogFiles.addCatalogFilesOf(list, postParams().find("catalog"));
  catalogFiles.addCatalogFilesOf(list, queryParams().find("catalog"));
  if (list.empty()) catalogFiles.addAllCatalogs(list);
  return list;
}

// An index whose path is that of a catalog being indexed (say a data file
// with the extension "idx") would replace the records it lists: refused.
void IndexApplication::openIndex(AtomicFile& index, const Text& indexPath,
                                 const CatalogFileList& list) {
  if (isCatalogPath(list, indexPath)) fatal(messages::kCreateFailed, indexPath);
  openReplacement(index, indexPath, privateTempPath(indexPath), indexPath);
}

void IndexApplication::writeCommonIndex(const CatalogFileList& list) {
  Text commonPath = commonIndexPath(groupPath);
  AtomicFile index;
  openIndex(index, commonPath, list);
  if (choosesCatalogs(*this)) copyOtherCatalogs(*this, commonPath, list, index.file());
  for (const CatalogFile& file : list) {
    FilePtr catalog = openRead(file.path, OpenMode::Quiet);
    if (catalog) writeEntries(file, catalog.get(), index.file());
  }
  commitReplacement(index, commonPath);
}

// A catalog file that cannot be opened keeps whatever index it has.
void IndexApplication::writePrivateIndex(const CatalogFile& file, const CatalogFileList& list) {
  FilePtr catalog = openRead(file.path, OpenMode::Quiet);
  if (!catalog) return;
  Text privatePath = privateIndexPath(file.path);
  AtomicFile index;
  openIndex(index, privatePath, list);
  writeEntries(file, catalog.get(), index.file());
  commitReplacement(index, privatePath);
}

void IndexApplication::writeEntries(const CatalogFile& file, std::FILE* catalog, std::FILE* out) {
  BlockLines lines(catalog);
  IndexOrder order(group, out);
  IndexFields fields(group.insertMode == InsertMode::Sorted ? group.sortField.view()
                                                            : std::string_view());
  bool common = entriesNameCatalog(group.indexMode);
  RecordLayout layout = recordLayoutOf(group);
  Text entry;
  for (;;) {
    long offset = lines.offset();
    fields.reset();
    RecordRead read = layout.read(lines, fields);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) fatal(messages::kBadRecord);
    entry.str().clear();
    appendIndexEntry(
        entry,
        IndexEntry{fields.values[IndexFields::kLabel], fields.values[IndexFields::kFormName],
                   file.name, offset, fields.values[IndexFields::kRefLabel]},
        common);
    order.add(entry, fields.values[IndexFields::kSortKey]);
  }
  order.finish();
}

void IndexApplication::writeResultPage(const CatalogFileList& list) {
  Markup title = text(messages::kIndexBuilt);
  print("<html>\n");
  writeHead(title);
  print("<body>\n");
  print("<h1>%s</h1>\n", title);
  print("%s <tt><b>%s</b></tt>:\n", text(messages::kIndexedCatalogs), groupName);
  print("<ol>\n");
  // The catalog names are written without the coding conversion, as the
  // list always was.
  for (const CatalogFile& file : list)
    writeDirect(Markup::format("<li> <tt><b>%s</b></tt>\n", file.name).view());
  writeDirect("</ol>\n");
  print("</body>\n");
  print("</html>\n");
}
