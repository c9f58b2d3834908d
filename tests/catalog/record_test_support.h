// Pieces the record format tests share: posted fields from a query string,
// the omitted fields of a VARS value, the automatic values of one record
// (ORD-3, form order, 192.0.2.7, 15 March 1999 at 14:05), a sink that
// collects what a reader gives, a line source over text, and the plain
// reading of a record into a parameter list that faster readers must match.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/catalog/line_source.h"
#include "common/catalog/record_fields.h"
#include "common/catalog/record_layout.h"
#include "common/settings/group_file.h"
#include "common/text/param_list.h"

inline ParamList postedFields(std::string_view body) {
  ParamList posted;
  parseParams(body, '&', posted);
  return posted;
}

inline AutomaticFields omittedByVars(const std::string& letters) {
  return parseGroupFile("vars=" + letters + "\n", "/g.grp").omittedFields;
}

inline AutomaticValues recordValues(const std::string& refLabel = "") {
  return automaticValues("ORD-3", "order", "192.0.2.7", DateTime{15, 3, 1999, 14, 5},
                         Text(refLabel));
}

// Collects the fields read as "name=value;" pairs.
class Collect : public FieldSink {
 public:
  void field(std::string_view name, std::string_view value) override {
    out.append(name).append("=").append(value).append(";");
  }
  std::string out;
};

// Reads the record at the position of `file` into `fields` and leaves the
// file right after it.
inline RecordRead readRecordAt(const RecordLayout& layout, std::FILE* file, ParamList& fields) {
  fields.clear();
  FileLines lines(file);
  ParamListSink sink(fields);
  return layout.read(lines, sink);
}
