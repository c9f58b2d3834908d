// The delimited record layout written and read back: values of any bytes,
// joined by the writer, split by the quote-aware reader into exactly the
// values written (line breaks read as the spaces they were written as);
// values read from any line, written again, read back the same; and a
// whole record of the group's writer reads back to its posted fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/catalog/record_format.h"
#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
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

// The group writes a record of the values (every automatic field left out:
// their names would not survive a letter as delimiter) and reads it back.
inline std::string recordComesBack(const std::vector<Text>& values, char delimiter) {
  std::vector<std::string> names = fieldNames(values.size(), delimiter);
  std::string problem;
  try {
    CatalogGroup group;
    group.omittedFields = 63;
    group.dataFields = Text(std::string(1, delimiter));
    for (size_t i = 0; i < values.size(); ++i) {
      if (i > 0) group.dataFields += delimiter;
      group.dataFields += std::string_view(names[i]);
      group.postParams().setVerbatim(names[i], values[i]);
    }
    std::FILE* file = std::fopen(FuzzHome::get().file("delimited.dat").c_str(), "w+");
    group.writeRecord(file, "L", "order", "");
    std::rewind(file);
    ParamList fields;
    group.readRecord(file, fields);
    std::fclose(file);
    for (size_t i = 0; i < values.size(); ++i) {
      ParamList expected;  // normalised as every value read is
      expected.add("v", singleLine(values[i]), AddMode::Append);
      if (fields.value(names[i]) != expected.value("v"))
        problem = "field " + names[i] + " changed in the record";
    }
  } catch (const RequestEnded&) {
    problem = "the group could not be built";
  }
  return problem;
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
  if (problem.empty()) {
    FuzzRequest request;
    problem = recordComesBack(values, delimiter);
  }
  return problem;
}

}  // namespace fuzz
