// The delimited form: values, record lines and the quote-aware reader.
#include "common/catalog/delimited_record.h"

namespace {

// The values that the reader would not take as they stand: one that holds
// the delimiter would be split, and one that begins with a quote could be
// taken for a quoted value running into the fields after it.
bool needsQuotes(std::string_view value, char delimiter) {
  return value.find(delimiter) != std::string_view::npos || value.starts_with('"');
}

}  // namespace

Text delimitedAutomaticValues(const AutomaticValues& automatic, AutomaticFields omitted,
                              char delimiter) {
  Text values;
  for (AutomaticField field : kAutomaticFields) {
    if (omitted.contains(field)) continue;
    // Quoted like a posted value when it holds the delimiter (a label prefix
    // or the address with a "-" or "." delimiter), or it would shift every
    // field after it when read back.
    values += delimitedValue(automatic[field], delimiter);
    values += delimiter;
  }
  return values;
}

Text delimitedValue(std::string_view value, char delimiter) {
  Text flat = singleLine(value);
  if (!needsQuotes(flat, delimiter)) return flat;
  Text quoted = "\"";
  for (char c : flat.str()) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

Text delimitedNames(std::string_view dataFields, AutomaticFields omitted) {
  char delimiter = dataFields.empty() ? '\0' : dataFields[0];
  Text names;
  for (AutomaticField field : kAutomaticFields) {
    if (omitted.contains(field)) continue;
    names += kDelimitedAutomaticNames[fieldIndex(field)];
    names += delimiter;
  }
  if (!dataFields.empty()) names += dataFields.substr(1);
  return names;
}

Text delimitedRecordText(const AutomaticValues& automatic, AutomaticFields omitted,
                         std::string_view dataFields, const ParamList& posted) {
  char delimiter = dataFields[0];
  Text line = delimitedAutomaticValues(automatic, omitted, delimiter);
  Text names = Text(dataFields.substr(1)) + delimiter;
  for (long stop; (stop = names.findChar(delimiter)) >= 0;) {
    line += delimitedValue(posted.value(names.substring(0, stop)), delimiter);
    names.erase(0, stop + 1);
    if (!names.empty()) line += delimiter;
  }
  line += '\n';
  return line;
}

namespace {

// A value in double quotes starting at `at`: true when it closes right
// before a delimiter or the end of the line and is one that the writer
// quotes (needsQuotes); `end` is then the position after it. Older writers
// quoted only values holding the delimiter and wrote one that began with a
// quote as it stood, so such an old value still reads as before unless it
// began with three quotes and closed like a quoted one.
bool readQuoted(std::string_view line, size_t at, char delimiter, Text& value, size_t& end) {
  value = Text();
  for (size_t i = at + 1;;) {
    size_t quote = line.find('"', i);
    if (quote == std::string_view::npos) return false;
    value += line.substr(i, quote - i);
    if (quote + 1 < line.size() && line[quote + 1] == '"') {
      value += '"';
      i = quote + 2;
      continue;
    }
    if (quote + 1 < line.size() && line[quote + 1] != delimiter) return false;
    end = quote + 1;
    return needsQuotes(value, delimiter);
  }
}

// The value that starts at `at` into `value`; returns where the next value
// starts, or npos after the last value of the line.
size_t readDelimitedValue(std::string_view line, size_t at, char delimiter, Text& value) {
  size_t end = 0;
  if (at >= line.size() || line[at] != '"' || !readQuoted(line, at, delimiter, value, end)) {
    end = line.find(delimiter, at);
    if (end == std::string_view::npos) end = line.size();
    value = Text(line.substr(at, end - at));
  }
  return end >= line.size() ? std::string_view::npos : end + 1;
}

}  // namespace

List<Text> splitDelimitedLine(std::string_view line, char delimiter) {
  List<Text> values;
  for (size_t at = 0; at != std::string_view::npos;) {
    Text value;
    at = readDelimitedValue(line, at, delimiter, value);
    values.push_back(std::move(value));
  }
  return values;
}

bool delimitedColumn(std::string_view line, char delimiter, size_t column, Text& value) {
  size_t at = 0;
  for (size_t i = 0; i < column; ++i) {
    at = readDelimitedValue(line, at, delimiter, value);
    if (at == std::string_view::npos) return false;
  }
  readDelimitedValue(line, at, delimiter, value);
  return true;
}

void splitDelimited(std::string_view line, std::string_view names, char delimiter,
                    FieldSink& sink) {
  List<Text> values = splitDelimitedLine(line, delimiter);
  size_t nameAt = 0;
  for (const Text& value : values) {
    if (nameAt > names.size()) break;
    size_t nameStop = names.find(delimiter, nameAt);
    if (nameStop == std::string_view::npos) nameStop = names.size();
    sink.field(names.substr(nameAt, nameStop - nameAt), value);
    nameAt = nameStop + 1;
  }
}

RecordRead readDelimitedRecord(LineSource& lines, std::string_view names, char delimiter,
                               FieldSink& sink, Text* text) {
  if (text) *text = Text();
  std::string_view line;
  if (!lines.next(line)) return RecordRead::End;
  if (!line.empty()) splitDelimited(line, names, delimiter, sink);
  if (text) *text = Text(line) + '\n';
  return RecordRead::Record;
}
