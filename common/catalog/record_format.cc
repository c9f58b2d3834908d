// Line formats and readers of the item form and the delimited form.
#include "common/catalog/record_format.h"

#include <string>

namespace {

// The values that the reader would not take as they stand: one that holds
// the delimiter would be split, and one that begins with a quote could be
// taken for a quoted value running into the fields after it.
bool needsQuotes(std::string_view value, char delimiter) {
  return value.find(delimiter) != std::string_view::npos || value.starts_with('"');
}

}  // namespace

Text singleLine(std::string_view text) {
  Text out(text);
  for (char& c : out.str())
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

Text terminatorFor(std::string_view value) {
  std::string word = "LABEL";
  while (value.find(word) != std::string_view::npos) word += 'x';
  return Text(std::move(word));
}

Text itemFieldLine(std::string_view name, std::string_view value) {
  Text line = singleLine(name);
  line += '=';
  if (value.find('\n') == std::string_view::npos) {
    line += '=';
    line += value;
    line += '\n';
    return line;
  }
  Text word = terminatorFor(value);
  line += '+';
  line += word;
  line += '\n';
  line += value;
  line += '\n';
  line += word;
  line += '\n';
  return line;
}

Text itemAutomaticLines(const AutomaticValues& automatic, int omittedFields) {
  Text lines;
  for (int i = 0; i < kAutomaticFieldCount; ++i) {
    if (omittedFields & (1 << i)) continue;
    const Text& value = automatic.values[i];
    if (i == kRefLabelField && value.empty()) continue;
    lines += kItemAutomaticNames[i];
    lines += "==";
    lines += singleLine(value);
    lines += '\n';
  }
  return lines;
}

Text delimitedAutomaticValues(const AutomaticValues& automatic, int omittedFields, char delimiter) {
  Text values;
  for (int i = 0; i < kAutomaticFieldCount; ++i) {
    if (omittedFields & (1 << i)) continue;
    // Quoted like a posted value when it holds the delimiter (a label prefix
    // or the address with a "-" or "." delimiter), or it would shift every
    // field after it when read back.
    values += delimitedValue(automatic.values[i], delimiter);
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

Text delimitedNames(std::string_view dataFields, int omittedFields) {
  char delimiter = dataFields.empty() ? '\0' : dataFields[0];
  Text names;
  for (int i = 0; i < kAutomaticFieldCount; ++i) {
    if (omittedFields & (1 << i)) continue;
    names += kDelimitedAutomaticNames[i];
    names += delimiter;
  }
  if (!dataFields.empty()) names += dataFields.substr(1);
  return names;
}

namespace {

void appendLine(Text* text, std::string_view line) {
  if (!text) return;
  *text += line;
  *text += '\n';
}

// Reads the lines of a bracketed value up to its closing word. The value is
// kept only when `keep` is set; false when the input ends first.
bool readBlock(LineSource& lines, std::string_view word, bool keep, Text& value, Text* text) {
  std::string_view line;
  bool first = true;
  while (lines.next(line)) {
    appendLine(text, line);
    if (line == word) return true;
    if (!keep) continue;
    if (!first) value += '\n';
    value += line;
    first = false;
  }
  return false;
}

}  // namespace

RecordRead readItemRecord(LineSource& lines, FieldSink& sink, Text* text) {
  if (text) *text = Text();
  std::string_view line;
  if (!lines.next(line)) return RecordRead::End;
  for (; !line.empty();) {
    appendLine(text, line);
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq + 1 >= line.size()) return RecordRead::Malformed;
    std::string_view name = line.substr(0, eq);
    char kind = line[eq + 1];
    if (kind == '=') {
      sink.field(name, line.substr(eq + 2));
    } else if (kind == '+') {
      Text ownName(name), word(line.substr(eq + 2)), value;
      bool keep = sink.wants(ownName);
      if (!readBlock(lines, word, keep, value, text)) break;
      if (keep) sink.field(ownName, value);
    } else {
      return RecordRead::Malformed;
    }
    if (!lines.next(line)) break;
  }
  if (text) *text += '\n';
  return RecordRead::Record;
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
