// Rebuilding the index files of a group: one private index beside each
// catalog file, or one common index beside the group description file. Each
// index is written through a temporary file, so a failed rebuild leaves the
// old index whole.
#include "lunoder/index_application.h"

#include "common/catalog/index_entry.h"
#include "common/catalog/line_source.h"
#include "common/catalog/record_format.h"
#include "common/cgi/cgi_streams.h"
#include "common/cgi/html_escape.h"
#include "common/cgi/path.h"
#include "common/settings/group_lock.h"

namespace {

// Keeps the first value of "&label", "&formid" and "&reflabel" of a record
// (names in either case), normalised as a parameter list stores a value.
class IndexFields : public FieldSink {
 public:
  void reset() {
    for (int i = 0; i < 3; ++i) {
      values[i] = Text();
      seen_[i] = false;
    }
  }
  bool wants(std::string_view name) override {
    int i = slot(name);
    return i >= 0 && !seen_[i];
  }
  void field(std::string_view name, std::string_view value) override {
    int i = slot(name);
    if (i < 0 || seen_[i]) return;
    seen_[i] = true;
    values[i] = Text(value);
    expandQuotedLetters(values[i]);
    values[i].removeChar('\r');
  }

  Text values[3];  // label, form name, reference label

 private:
  static int slot(std::string_view name) {
    if (name.size() < 6 || name[0] != '&') return -1;
    if (equalsIgnoreCase(name, "&label")) return 0;
    if (equalsIgnoreCase(name, "&formid")) return 1;
    if (equalsIgnoreCase(name, "&reflabel")) return 2;
    return -1;
  }
  bool seen_[3] = {false, false, false};
};

// The index is written in pieces of about this size.
constexpr size_t kIndexChunk = 1 << 16;

void put(std::FILE* out, Text& pending) {
  std::fwrite(pending.c_str(), 1, pending.str().size(), out);
  pending.str().clear();
}

Text withExtension(Text path, std::string_view extension) {
  setExtension(path, extension);
  return path;
}

bool isCatalogPath(const CatalogFileList& list, const Text& path) {
  for (const CatalogFile& file : list)
    if (file.path == path) return true;
  return false;
}

}  // namespace

void IndexApplication::buildIndexes() {
  if (pathInfo().empty()) fatal(messages::kNoGroup);
  if (indexMode == ShareMode::None) warning(messages::kNoIndexFiles, groupName);
  if (omittedFields & 3) warning(messages::kRecordsLackData);
  // Submissions append to catalogs and indexes under the same lock, so none
  // of them is lost between reading a catalog and replacing its index.
  GroupLock lock;
  if (!lock.acquire(groupPath)) fatal(messages::kCreateFailed, GroupLock::lockPath(groupPath));
  CatalogFileList list = selectedCatalogs();
  if (indexMode == ShareMode::Common) {
    writeCommonIndex(list);
  } else {
    for (const CatalogFile& file : list) writePrivateIndex(file, list);
  }
  lock.release();
  writeResultPage(list);
}

CatalogFileList IndexApplication::selectedCatalogs() {
  CatalogFileList list;
  addCatalogsOfForms(list, postParams().find("form"));
  addCatalogsOfForms(list, queryParams().find("form"));
  addCatalogFilesOf(list, postParams().find("catalog"));
  addCatalogFilesOf(list, queryParams().find("catalog"));
  if (list.empty()) addAllCatalogs(list);
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
  Text indexPath = withExtension(groupPath, "idx");
  AtomicFile index;
  openIndex(index, indexPath, list);
  for (const CatalogFile& file : list) {
    FilePtr catalog = openRead(file.path, OpenMode::Quiet);
    if (catalog) writeEntries(file, catalog.get(), index.file());
  }
  commitReplacement(index, indexPath);
}

// A catalog file that cannot be opened keeps whatever index it has.
void IndexApplication::writePrivateIndex(const CatalogFile& file, const CatalogFileList& list) {
  FilePtr catalog = openRead(file.path, OpenMode::Quiet);
  if (!catalog) return;
  Text indexPath = withExtension(file.path, "idx");
  AtomicFile index;
  openIndex(index, indexPath, list);
  writeEntries(file, catalog.get(), index.file());
  commitReplacement(index, indexPath);
}

void IndexApplication::writeEntries(const CatalogFile& file, std::FILE* catalog, std::FILE* out) {
  BlockLines lines(catalog);
  IndexFields fields;
  bool common = indexMode == ShareMode::Common;
  bool delimited = !dataFields.empty();
  Text names = delimited ? delimitedNames(dataFields, omittedFields) : Text();
  Text pending;
  for (;;) {
    long offset = lines.offset();
    fields.reset();
    if (delimited) {
      std::string_view line;
      if (!lines.next(line)) break;
      splitDelimited(line, names, dataFields[0], fields);
    } else {
      RecordRead read = readItemRecord(lines, fields, nullptr);
      if (read == RecordRead::End) break;
      if (read == RecordRead::Malformed) fatal(messages::kBadRecord);
    }
    appendIndexEntry(pending, fields.values[0], fields.values[1], common, file.name, offset,
                     fields.values[2]);
    if (pending.str().size() >= kIndexChunk) put(out, pending);
  }
  put(out, pending);
}

void IndexApplication::writeResultPage(const CatalogFileList& list) {
  Text title(text(messages::kIndexBuilt));
  print("<html>\n");
  writeHead(title);
  print("<body>\n");
  print("<h1>%s</h1>\n", title);
  print("%s <tt><b>%s</b></tt>:\n", text(messages::kIndexedCatalogs), escapeHtml(groupName));
  print("<ol>\n");
  for (const CatalogFile& file : list)
    writeDirect(Text::format("<li> <tt><b>%s</b></tt>\n", escapeHtml(file.name)));
  writeDirect("</ol>\n");
  print("</body>\n");
  print("</html>\n");
}
