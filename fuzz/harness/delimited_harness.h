// The delimited record layout written and read back: values of any bytes,
// joined by the writer, split by the quote-aware reader into exactly the
// values written (line breaks read as the spaces they were written as);
// values read from any line, written again, read back the same; and a
// whole record written reads back to its posted fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/catalog/delimited_record.h"
#include "common/catalog/record_layout.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// A double quote is what quotes a value, and a line feed or a carriage
// return before it ends the line: no value can hold such a delimiter.
inline bool usableDelimiter(char delimiter) {
  return delimiter != '"' && delimiter != '\n' && delimiter != '\r';
}

inline Text joinDelimited(const std::vector<Text>& values, char delimiter) {
  Text line;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) line += delimiter;
    line += delimitedValue(values[i], delimiter);
  }
  return line;
}

// Writes `values` on one line and splits it again.
inline std::string valuesComeBack(const std::vector<Text>& values, char delimiter) {
  Text line = joinDelimited(values, delimiter);
  List<Text> split = splitDelimitedLine(line, delimiter);
  if (split.size() != values.size()) return "a value lost or added: " + line.str();
  for (size_t i = 0; i < values.size(); ++i)
    if (split[i] != singleLine(values[i])) return "value changed: " + line.str();
  return "";
}

// Field names for the group's DATA list that hold no delimiter.
inline std::vector<std::string> fieldNames(size_t count, char delimiter) {
  std::vector<std::string> names;
  char letter = delimiter == 'f' ? 'g' : 'f';
  for (size_t i = 0; i < count; ++i) {
    char digit = static_cast<char>('0' + i);
    names.push_back(std::string(1, letter) + (digit == delimiter ? 'x' : digit));
  }
  return names;
}

// A record of the values (every automatic field left out: their names would
// not survive a letter as delimiter) written and read back.
inline std::string recordComesBack(const std::vector<Text>& values, char delimiter) {
  std::vector<std::string> names = fieldNames(values.size(), delimiter);
  Text dataFields = Text(std::string(1, delimiter));
  ParamList posted;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) dataFields += delimiter;
    dataFields += std::string_view(names[i]);
    posted.setVerbatim(names[i], values[i]);
  }
  RecordLayout layout(dataFields, AutomaticFields::all());
  std::string path = FuzzHome::get().file("delimited.dat");
  writeFile(path, layout.recordText(AutomaticValues(), posted).view());
  std::FILE* file = std::fopen(path.c_str(), "r");
  FileLines lines(file);
  ParamList fields;
  ParamListSink sink(fields);
  layout.read(lines, sink);
  std::fclose(file);
  for (size_t i = 0; i < values.size(); ++i) {
    ParamList expected;  // normalised as every value read is
    expected.add("v", singleLine(values[i]), AddMode::Append);
    if (fields.value(names[i]) != expected.value("v"))
      return "field " + names[i] + " changed in the record";
  }
  return "";
}

// Input: the delimiter, then values separated by zero bytes (at most 8).
inline std::string fuzzDelimited(std::string_view data) {
  if (data.empty() || !usableDelimiter(data[0])) return "";
  char delimiter = data[0];
  data.remove_prefix(1);
  std::string_view firstLine = data.substr(0, data.find('\n'));
  std::vector<Text> values;
  while (values.size() < 8) {
    values.push_back(Text(takeUntil(data, '\0')));
    if (data.empty()) break;
  }
  std::string problem = valuesComeBack(values, delimiter);
  if (problem.empty()) {
    // Any line, old or hostile, gives values that read back once written.
    List<Text> read = splitDelimitedLine(firstLine, delimiter);
    problem = valuesComeBack(std::vector<Text>(read.begin(), read.end()), delimiter);
  }
  if (problem.empty()) problem = recordComesBack(values, delimiter);
  return problem;
}

}  // namespace fuzz
