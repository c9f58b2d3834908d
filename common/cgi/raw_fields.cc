// Decoding the request body without value normalisation.
#include "common/cgi/raw_fields.h"

namespace {

void addRawField(ParamList& fields, Text name, Text value) {
  urlDecode(name);
  urlDecode(value);
  value.removeChar('\r');
  if (name.empty() || value.empty()) return;
  if (Param* existing = fields.find(name)) {
    existing->further.push_back(value);
    return;
  }
  fields.setVerbatim(name, value);
}

}  // namespace

void parseRawFields(std::string_view body, ParamList& fields) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view item = body.substr(start, end - start);
    start = end + 1;
    size_t eq = item.find('=');
    if (eq == std::string_view::npos) continue;
    addRawField(fields, Text(item.substr(0, eq)), Text(item.substr(eq + 1)));
  }
}

Text rawPostedField(std::string_view body, std::string_view name) {
  ParamList fields;
  parseRawFields(body, fields);
  return fields.value(name);
}
