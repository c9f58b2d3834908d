// readRecord over any catalog file, in the item form and the delimited form:
// every record read consumes input, returns the lines it consumed, and a
// malformed record ends the request with its error page. A record that
// writeRecord wrote from posted fields reads back to the same fields.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/catalog/record_format.h"
#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// The bytes of a record as readRecord gives them back: a carriage return
// before a line feed dropped, a last line given its line feed.
inline std::string asRecordText(std::string consumed) {
  std::string out;
  for (size_t i = 0; i < consumed.size(); ++i)
    if (!(consumed[i] == '\r' && i + 1 < consumed.size() && consumed[i + 1] == '\n'))
      out += consumed[i];
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

// Reads every record of `catalog`; the problem found, or empty text.
inline std::string readEveryRecord(CatalogGroup& group, const std::string& path,
                                   const std::string& catalog) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  ParamList fields;
  std::string problem;
  try {
    for (size_t records = 0; records <= catalog.size() + 1; ++records) {
      long start = std::ftell(file);
      Text text = group.readRecord(file, fields);
      long end = std::ftell(file);
      if (text.empty()) {
        if (!fields.empty()) problem = "fields at the end of the file";
        break;
      }
      if (end <= start) {
        problem = "a record that consumed nothing";
        break;
      }
      std::string expected = asRecordText(catalog.substr(start, end - start));
      bool atEnd = static_cast<size_t>(end) == catalog.size();
      if (text.str() != expected && !(atEnd && text.str() == expected + "\n")) {
        problem = "record text differs from the lines read: " + text.str();
        break;
      }
    }
  } catch (const RequestEnded&) {
    // "Error in data": a malformed record.
  }
  std::fclose(file);
  return problem;
}

// The posted fields as the reader should give them back: names on one line,
// values normalised once more as every stored value is. Automatic fields
// (names beginning with "&") are left out on both sides.
inline ParamList expectedFields(const ParamList& posted) {
  ParamList expected;
  for (const Param& param : posted) {
    Text name = singleLine(param.name);
    if (name.startsWith("&")) continue;
    expected.add(name, param.value, AddMode::Append);
    for (const Text& value : param.further) expected.add(name, value, AddMode::Append);
  }
  return expected;
}

// The fields of both lists in order, automatic fields skipped.
inline std::string sameFields(const ParamList& expected, const ParamList& read) {
  List<const Param*> a, b;
  for (const Param& param : expected) a.push_back(&param);
  for (const Param& param : read)
    if (!param.name.startsWith("&")) b.push_back(&param);
  if (a.size() != b.size()) return "a field lost or added in the round trip";
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i]->name != b[i]->name || a[i]->value != b[i]->value || a[i]->further != b[i]->further)
      return "field " + a[i]->name.str() + " changed in the round trip";
  }
  return "";
}

// Writes a record of the posted fields in the item form and reads it back.
inline std::string writeAndReadBack(CatalogGroup& group, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w+");
  group.writeRecord(file, "ORD-42", "order", "ORD-\n41");
  std::rewind(file);
  ParamList fields;
  std::string problem;
  try {
    group.readRecord(file, fields);
    problem = sameFields(expectedFields(group.postParams()), fields);
  } catch (const RequestEnded&) {
    problem = "a written record does not read back";
  }
  std::fclose(file);
  return problem;
}

// Delimiters a record can be read back with: a letter or "&" would split the
// automatic names themselves, a carriage return before the line feed is
// dropped by every read, and a double quote is what quotes a value.
inline bool roundTripDelimiter(char delimiter) {
  return !std::isalnum(static_cast<unsigned char>(delimiter)) && delimiter != '&' &&
         delimiter != '\r' && delimiter != '"';
}

// The same in the delimited form: each DATA field's current value comes back
// on its one line (line feeds become spaces), whatever quotes and delimiters
// it holds.
inline std::string writeAndReadBackDelimited(CatalogGroup& group, const std::string& path) {
  // The names as the writer takes them: DATA without its delimiter, one
  // more delimiter appended, split at every delimiter.
  char delimiter = group.dataFields[0];
  std::string rest = group.dataFields.str().substr(1) + delimiter;
  ParamList expected;
  for (size_t stop; (stop = rest.find(delimiter)) != std::string::npos; rest.erase(0, stop + 1)) {
    std::string name = rest.substr(0, stop);
    if (name.starts_with("&")) continue;
    expected.add(name, singleLine(group.postParams().value(name)), AddMode::Append);
  }
  std::FILE* file = std::fopen(path.c_str(), "w+");
  group.writeRecord(file, "ORD-42", "order", "");
  std::rewind(file);
  ParamList fields;
  group.readRecord(file, fields);
  std::fclose(file);
  return sameFields(expected, fields);
}

// Input: a first byte whose lowest bit picks the delimited form and whose
// other bits leave out automatic fields; in the delimited form a line with
// the DATA value; the catalog file up to a zero byte; after it a POST body
// whose fields are written as a record and read back.
inline std::string fuzzRecords(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  FuzzRequest request;
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  std::string problem;
  try {
    CatalogGroup group;
    group.omittedFields = (selector >> 1) & 63;
    if (selector & 1) {
      group.dataFields = takeUntil(data, '\n');
      if (group.dataFields.empty()) group.dataFields = ";name;city";
    }
    std::string catalog(takeUntil(data, '\0'));
    std::string path = home.file("fuzz.dat");
    writeFile(path, catalog);
    problem = readEveryRecord(group, path, catalog);
    parseParams(data, '&', group.postParams());
    if (problem.empty() && group.dataFields.empty()) problem = writeAndReadBack(group, path);
    if (problem.empty() && !group.dataFields.empty() && roundTripDelimiter(group.dataFields[0]))
      problem = writeAndReadBackDelimited(group, path);
  } catch (const RequestEnded&) {
    problem = "the group could not be built";
  }
  return problem;
}

}  // namespace fuzz
