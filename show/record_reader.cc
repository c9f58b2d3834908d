// Reading records for the viewer: through the index when the group keeps
// one, straight from the catalog file otherwise.
#include "show/record_reader.h"

#include "common/catalog/index_entry.h"
#include "common/settings/catalog_group.h"

namespace {

// Keeps every field as it is read, in record order.
class RecordSink : public FieldSink {
 public:
  explicit RecordSink(Record& record) : record_(record) {}
  void field(std::string_view name, std::string_view value) override {
    record_.push_back({Text(name), Text(value)});
  }

 private:
  Record& record_;
};

}  // namespace

Text fieldValue(const Record& record, std::string_view name) {
  for (const Field& field : record)
    if (field.name.equalsIgnoreCase(name)) return field.value;
  return Text();
}

int automaticFieldIndex(std::string_view name) {
  for (int i = 0; i < kAutomaticFieldCount; ++i)
    if (equalsIgnoreCase(name, kItemAutomaticNames[i])) return i;
  return -1;
}

RecordReader::RecordReader(CatalogGroup& app) : app_(app), layout_(recordLayoutOf(app.group)) {}

Text RecordReader::indexPath(const CatalogFile& file) const {
  Text path = indexPathOf(app_.group.indexMode, app_.groupPath, file);
  // A catalog file that itself ends in ".idx" is no index of its own.
  return path == file.path ? Text() : path;
}

void RecordReader::walk(const CatalogFileList& files, const Visit& visit) {
  for (const CatalogFile& file : files) {
    bool ended = false;
    if (walkIndex(file, visit, ended)) {
      if (ended) return;
    } else if (!walkFile(file, visit)) {
      return;
    }
  }
}

bool RecordReader::walkIndex(const CatalogFile& file, const Visit& visit, bool& ended) {
  Text path = indexPath(file);
  if (path.empty()) return false;
  FilePtr index = app_.openRead(path, OpenMode::Quiet);
  if (!index) return false;
  bool common = entriesNameCatalog(app_.group.indexMode);
  BlockLines lines(index.get());
  std::string_view line;
  while (lines.next(line)) {
    if (line.empty()) continue;
    IndexEntry entry = parseIndexEntry(line, common);
    if (common && !entry.catalogName.equalsIgnoreCase(file.name)) continue;
    if (!visit(RecordPlace{&file, entry.offset, std::move(entry.label)}, nullptr)) {
      ended = true;
      break;
    }
  }
  return true;
}

bool RecordReader::walkFile(const CatalogFile& file, const Visit& visit) {
  FilePtr catalog = app_.openRead(file.path, OpenMode::Quiet);
  if (!catalog) return true;
  BlockLines lines(catalog.get());
  Record record;
  for (;;) {
    long offset = lines.offset();
    if (!readNext(lines, record)) return true;
    if (record.empty()) continue;
    if (!visit(RecordPlace{&file, offset, fieldValue(record, "&label")}, &record)) return false;
  }
}

bool RecordReader::read(const RecordPlace& place, Record& record) {
  record.clear();
  if (!open_ || openPath_ != place.file->path) {
    openPath_ = place.file->path;
    open_ = app_.openRead(openPath_, OpenMode::Quiet);
  }
  if (!open_ || place.offset < 0 || std::fseek(open_.get(), place.offset, SEEK_SET) != 0)
    return false;
  FileLines lines(open_.get());
  return readNext(lines, record) && !record.empty();
}

// The next record of `lines` into `record`; false at the end of the input.
// A blank line gives an empty record.
bool RecordReader::readNext(LineSource& lines, Record& record) {
  record.clear();
  RecordSink sink(record);
  RecordRead read = layout_.read(lines, sink);
  if (read == RecordRead::Malformed) app_.fatal(messages::kBadRecord);
  return read == RecordRead::Record;
}
