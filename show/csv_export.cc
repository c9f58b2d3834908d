// The CSV export. Two passes over the records keep memory to one record: the
// first collects the field names for the header row, the second writes rows.
#include "show/csv_export.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/access/admin_access.h"
#include "common/access/audit_action.h"
#include "common/cgi/cgi_streams.h"
#include "common/language/entities.h"
#include "show/record_reader.h"
#include "show/show_application.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kFlushSize = 64 * 1024;

// The field names of a set of records in the order first met; names that
// differ only in the case of ASCII letters are one column. A name finds its
// column by hashing, so a row costs its fields, not fields times columns.
class Columns {
 public:
  void add(const Text& name) {
    if (columns_.emplace(key(name), names_.size()).second) names_.push_back(name);
  }
  const List<Text>& names() const { return names_; }
  // The column of `name`; none for a name the first pass did not see (a
  // record stored between the passes).
  std::optional<size_t> column(const Text& name) const {
    auto found = columns_.find(key(name));
    if (found == columns_.end()) return std::nullopt;
    return found->second;
  }

 private:
  static std::string key(const Text& name) {
    Text upper = name;
    upper.toUpper();
    return upper.str();
  }
  std::unordered_map<std::string, size_t> columns_;
  List<Text> names_;
};

// Every record of `files` in listing order, read from its place when the
// walk did not read it already.
template <typename Each>
void eachRecord(RecordReader& reader, const CatalogFileList& files, Each each) {
  Record read;
  reader.walk(files, [&](const RecordPlace& place, const Record* record) {
    if (!record) {
      if (!reader.read(place, read)) return true;
      record = &read;
    }
    each(*record);
    return true;
  });
}

// The cells of one record: each column's values joined by line feeds, as a
// repeated field is written one line per value.
void recordCells(const Record& record, const Columns& columns, List<Text>& cells,
                 std::vector<bool>& filled) {
  cells.assign(columns.names().size(), Text());
  filled.assign(columns.names().size(), false);
  for (const Field& field : record) {
    std::optional<size_t> column = columns.column(field.name);
    if (!column) continue;
    if (filled[*column]) cells[*column] += '\n';
    cells[*column] += field.value;
    filled[*column] = true;
  }
}

void appendRow(Text& out, const List<Text>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out += ',';
    out += csvCell(cells[i]);
  }
  out += "\r\n";
}

}  // namespace

Text csvCell(std::string_view text) {
  Text cell = entitiesToUtf8(text);
  if (!cell.empty() && Text("=+-@\t").contains(cell[0])) cell.insertAt(0, "'");
  if (cell.str().find_first_of("\",\r\n") == std::string::npos) return cell;
  Text quoted = "\"";
  for (char c : cell.view()) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

Text csvFileName(std::string_view catalog) {
  Text name;
  for (char c : catalog)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_')
      name += c;
  return (name.empty() ? Text("records") : name) + ".csv";
}

void exportCsv(ShowApplication& app, const CatalogFileList& files, const Text& catalog) {
  RecordReader reader(app);
  Columns columns;
  long count = 0;
  eachRecord(reader, files, [&](const Record& record) {
    for (const Field& field : record) columns.add(field.name);
    ++count;
  });
  auditAction(app, "csv exported", app.groupSettingsName, catalog, Text::fromInt(count));

  app.writeHeader(
      "text/csv; charset=utf-8",
      Text::format("Content-Disposition: attachment; filename=\"%s\"\n", csvFileName(catalog)));
  Text out = kByteOrderMark;
  if (!columns.names().empty()) appendRow(out, columns.names());
  List<Text> cells;
  std::vector<bool> filled;
  eachRecord(reader, files, [&](const Record& record) {
    recordCells(record, columns, cells, filled);
    appendRow(out, cells);
    if (out.str().size() >= kFlushSize) {
      app.writeDirect(out.view());
      out = Text();
    }
  });
  app.writeDirect(out.view());
}
