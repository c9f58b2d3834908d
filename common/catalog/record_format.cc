// Line formats and readers of the item form and the delimited form.
#include "common/catalog/record_format.h"

#include <string>

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
    values += singleLine(automatic.values[i]);
    values += delimiter;
  }
  return values;
}

Text delimitedValue(std::string_view value, char delimiter) {
  Text flat = singleLine(value);
  if (!flat.contains(delimiter)) return flat;
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

void splitDelimited(std::string_view line, std::string_view names, char delimiter,
                    FieldSink& sink) {
  // Both texts carry one more delimiter at their end, so every name and
  // every value ends at a delimiter.
  size_t lineEnd = line.size() + 1, namesEnd = names.size() + 1;
  size_t valueAt = 0, nameAt = 0;
  while (valueAt < lineEnd && nameAt < namesEnd) {
    size_t valueStop = line.find(delimiter, valueAt);
    if (valueStop == std::string_view::npos) valueStop = line.size();
    size_t nameStop = names.find(delimiter, nameAt);
    if (nameStop == std::string_view::npos) nameStop = names.size();
    sink.field(names.substr(nameAt, nameStop - nameAt), line.substr(valueAt, valueStop - valueAt));
    valueAt = valueStop + 1;
    nameAt = nameStop + 1;
  }
}
