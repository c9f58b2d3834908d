// The record reader over any catalog file, in the item form and the
// delimited form: every record read consumes input and gives back the lines
// it consumed, and a malformed record is reported as such. A record that the
// writer made of posted fields reads back to the same fields.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/catalog/record_layout.h"
#include "common/cgi/decoded_fields.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// The bytes of a record as the reader gives them back: a carriage return
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
inline std::string readEveryRecord(const RecordLayout& layout, const std::string& path,
                                   const std::string& catalog) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  FileLines lines(file);
  std::string problem;
  for (size_t records = 0; records <= catalog.size() + 1; ++records) {
    long start = std::ftell(file);
    ParamList fields;
    ParamListSink sink(fields);
    Text text;
    RecordRead read = layout.read(lines, sink, &text);
    long end = std::ftell(file);
    if (read == RecordRead::Malformed) break;
    if (read == RecordRead::End) {
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

// Writes a record of the posted fields and reads it back; the fields read.
inline ParamList writtenAndRead(const RecordLayout& layout, const ParamList& posted,
                                const std::string& path, const Text& refLabel) {
  AutomaticValues automatic = automaticValues("ORD-42", "order", "192.0.2.7", DateTime{}, refLabel);
  writeFile(path, layout.recordText(automatic, posted).view());
  std::FILE* file = std::fopen(path.c_str(), "r");
  FileLines lines(file);
  ParamList fields;
  ParamListSink sink(fields);
  layout.read(lines, sink);
  std::fclose(file);
  return fields;
}

// In the item form every posted field comes back.
inline std::string writeAndReadBack(const RecordLayout& layout, const ParamList& posted,
                                    const std::string& path) {
  return sameFields(expectedFields(posted), writtenAndRead(layout, posted, path, "ORD-\n41"));
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
inline std::string writeAndReadBackDelimited(const RecordLayout& layout, const ParamList& posted,
                                             const std::string& path) {
  // The names as the writer takes them: DATA without its delimiter, one
  // more delimiter appended, split at every delimiter.
  char delimiter = layout.delimiter();
  std::string rest = layout.dataFields().str().substr(1) + delimiter;
  ParamList expected;
  for (size_t stop; (stop = rest.find(delimiter)) != std::string::npos; rest.erase(0, stop + 1)) {
    std::string name = rest.substr(0, stop);
    if (name.starts_with("&")) continue;
    expected.add(name, singleLine(posted.value(name)), AddMode::Append);
  }
  ParamList read = writtenAndRead(layout, posted, path, "");
  // A record of one empty value and no automatic field is a blank line,
  // which reads as a record without fields.
  bool blank = std::all_of(expected.begin(), expected.end(),
                           [](const Param& param) { return param.value.empty(); });
  if (read.empty() && blank && expected.size() <= 1) return "";
  return sameFields(expected, read);
}

// The fields a JSON or multipart body would give: names and values of any
// bytes, alternating between the separators 0x1f, through the request
// layer's one rule for such names.
inline ParamList bodyFieldsOf(std::string_view data) {
  ParamList list;
  ParamLimits limits;
  DecodedFields fields(list, limits);
  while (!data.empty()) {
    std::string name(takeUntil(data, '\x1f'));
    std::string value(takeUntil(data, '\x1f'));
    fields.add(name, value);
  }
  return list;
}

// Three records of the same fields, written one after the other, read back
// as exactly three records, each with every field: no name or value can
// join, split or forge records.
inline std::string threeRecordsReadBack(const RecordLayout& layout, const ParamList& posted,
                                        const std::string& path) {
  AutomaticValues automatic = automaticValues("ORD-42", "order", "192.0.2.7", DateTime{}, "");
  Text record = layout.recordText(automatic, posted);
  writeFile(path, (record + record + record).view());
  ParamList expected = expectedFields(posted);
  std::FILE* file = std::fopen(path.c_str(), "r");
  FileLines lines(file);
  std::string problem;
  int records = 0;
  for (;; ++records) {
    ParamList fields;
    ParamListSink sink(fields);
    RecordRead read = layout.read(lines, sink);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) problem = "a written record reads as malformed";
    if (problem.empty()) problem = sameFields(expected, fields);
    if (!problem.empty() || records > 3) break;
  }
  std::fclose(file);
  if (problem.empty() && records != 3) problem = "three records read back as another number";
  return problem;
}

// Input: a first byte whose lowest bit picks the delimited form and whose
// other bits leave out automatic fields; in the delimited form a line with
// the DATA value; the catalog file up to a zero byte; after it a POST body
// whose fields are written as a record and read back, both as a urlencoded
// body and as the raw names and values of a JSON or multipart body.
inline std::string fuzzRecords(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  AutomaticFields omitted;
  for (AutomaticField field : kAutomaticFields)
    if (selector & (2 << fieldIndex(field))) omitted.add(field);
  Text dataFields;
  if (selector & 1) {
    dataFields = takeUntil(data, '\n');
    if (dataFields.empty()) dataFields = ";name;city";
  }
  RecordLayout layout(dataFields, omitted);
  std::string catalog(takeUntil(data, '\0'));
  std::string path = home.file("fuzz.dat");
  writeFile(path, catalog);
  std::string problem = readEveryRecord(layout, path, catalog);
  ParamList posted;
  parseParams(data, '&', posted);
  if (problem.empty() && !layout.delimited()) problem = writeAndReadBack(layout, posted, path);
  if (problem.empty() && !layout.delimited())
    problem = threeRecordsReadBack(layout, bodyFieldsOf(data), path);
  if (problem.empty() && layout.delimited() && roundTripDelimiter(layout.delimiter()))
    problem = writeAndReadBackDelimited(layout, posted, path);
  return problem;
}

}  // namespace fuzz
