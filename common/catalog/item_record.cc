// The item form: field lines, bracketed blocks and the record reader.
#include "common/catalog/item_record.h"

#include <string>

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

Text itemAutomaticLines(const AutomaticValues& automatic, AutomaticFields omitted) {
  Text lines;
  for (AutomaticField field : kAutomaticFields) {
    if (omitted.contains(field)) continue;
    const Text& value = automatic[field];
    if (field == AutomaticField::RefLabel && value.empty()) continue;
    lines += kItemAutomaticNames[fieldIndex(field)];
    lines += "==";
    lines += singleLine(value);
    lines += '\n';
  }
  return lines;
}

Text itemRecordText(const AutomaticValues& automatic, AutomaticFields omitted,
                    const ParamList& posted) {
  Text record = itemAutomaticLines(automatic, omitted);
  for (const Param& param : posted) {
    record += itemFieldLine(param.name, param.value);
    for (const Text& value : param.further) record += itemFieldLine(param.name, value);
  }
  record += '\n';
  return record;
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

long countItemRecords(LineSource& lines) {
  long count = 0;
  bool inRecord = false, inBlock = false;
  std::string blockEnd;
  std::string_view line;
  while (lines.next(line)) {
    if (inBlock) {
      inBlock = line != blockEnd;
      continue;
    }
    if (line.empty()) {
      inRecord = false;
      continue;
    }
    if (!inRecord) ++count;
    inRecord = true;
    size_t eq = line.find('=');
    if (eq != std::string_view::npos && eq + 1 < line.size() && line[eq + 1] == '+') {
      blockEnd = line.substr(eq + 2);
      inBlock = true;
    }
  }
  return count;
}
