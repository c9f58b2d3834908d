// Reading the records of catalog files for viewing and export: the records
// in listing order (the order an index gives, file order without one), one
// record at a known offset, and the quote-aware reading of delimited lines.
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

#include "common/catalog/catalog_file.h"
#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/settings/cgi_application.h"
#include "common/text/list.h"
#include "common/text/text.h"

class CatalogGroup;

// One field of a record, exactly as stored: names keep their case, values
// their bytes (no quote-letter expansion), repeated names stay apart.
struct Field {
  Text name;
  Text value;
};
using Record = List<Field>;

// The value of the first field named `name` (ASCII case ignored), or empty.
Text fieldValue(const Record& record, std::string_view name);
// The position 0..5 of an automatic field name ("&LABEL" ... "&REFLABEL",
// either case), or -1 for a posted field.
int automaticFieldIndex(std::string_view name);

// Where one record lies, in listing order.
struct RecordPlace {
  const CatalogFile* file = nullptr;
  long offset = 0;
  Text label;  // from the index entry, or from the record itself
};

// Reads the records of a group's catalog files. The group must outlive it.
class RecordReader {
 public:
  // Receives each record in turn; `record` is the record when the walk read
  // it anyway (no index), else null. Returning false ends the walk.
  using Visit = std::function<bool(const RecordPlace& place, const Record* record)>;

  explicit RecordReader(CatalogGroup& app);

  // Every record of `files`, file after file: in the order of the index when
  // the group keeps one and it can be read, else in file order. Records
  // without any field (stray empty lines) are skipped.
  void walk(const CatalogFileList& files, const Visit& visit);
  // Every record of one file in file order, the index not consulted.
  bool walkFile(const CatalogFile& file, const Visit& visit);
  // The record at `place`; false when its file cannot be read or ends there.
  bool read(const RecordPlace& place, Record& record);

  // The index file that lists the records of `file`, empty without index.
  Text indexPath(const CatalogFile& file) const;

 private:
  bool walkIndex(const CatalogFile& file, const Visit& visit, bool& ended);
  bool readNext(LineSource& lines, Record& record);

  CatalogGroup& app_;
  RecordLayout layout_;
  Text openPath_;
  FilePtr open_;
};
