// The multipart/form-data decoder under arbitrary bytes: any body, fed in
// pieces of any size, ends in a verdict without a crash; and fields made from
// the input, written as a browser writes them, decode back to the fields that
// a urlencoded form of the same names and values gives; every other field
// sent as a chosen file reaches the file sink byte for byte instead, under
// its storable field name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/cgi/cgi_request.h"
#include "common/cgi/multipart.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

inline std::string dumpFields(const ParamList& list) {
  std::string out;
  for (const Param& p : list) {
    out += p.name.str() + "=" + p.value.str() + "\n";
    for (const Text& v : p.further) out += p.name.str() + "=" + v.str() + "\n";
  }
  return out;
}

// The files a body sends, one line each: field, file name, bytes.
class FileCollector : public FilePartSink {
 public:
  Refusal beginFile(std::string_view field, std::string_view fileName) override {
    files += std::string(field) + "|" + std::string(fileName) + "|";
    return Refusal::None;
  }
  Refusal fileBytes(std::string_view bytes) override {
    files += bytes;
    return Refusal::None;
  }
  Refusal endFile(std::string& fieldValue) override {
    files += "\n";
    fieldValue = "(file)";
    return Refusal::None;
  }
  std::string files;
};

inline Refusal decodeInPieces(std::string_view body, std::string_view boundary, size_t piece,
                              ParamList& list, FilePartSink* files = nullptr) {
  DecodedFields fields(list, CgiRequest::kLimits);
  MultipartParser parser(boundary, fields, files);
  for (size_t at = 0; at < body.size(); at += piece) parser.feed(body.substr(at, piece));
  return parser.finish();
}

// A name a browser can put in quotes: no quote, backslash, CR or LF, not empty.
inline std::string quotableName(std::string_view raw) {
  std::string name(raw);
  for (char& c : name)
    if (c == '"' || c == '\\' || c == '\r' || c == '\n') c = '_';
  return name.empty() ? "_" : name;
}

// Fields from the input: name and value separated by NUL, fields by NUL NUL.
inline std::vector<std::pair<std::string, std::string>> fieldsOf(std::string_view data) {
  std::vector<std::pair<std::string, std::string>> fields;
  for (size_t start = 0; start < data.size();) {
    size_t end = std::min(data.find(std::string_view("\0\0", 2), start), data.size());
    std::string_view item = data.substr(start, end - start);
    size_t nul = std::min(item.find('\0'), item.size());
    std::string_view value = nul < item.size() ? item.substr(nul + 1) : std::string_view();
    fields.emplace_back(quotableName(item.substr(0, nul)), std::string(value));
    start = end + 2;
  }
  return fields;
}

inline std::string fieldsComeBack(std::string_view data, size_t piece) {
  auto fields = fieldsOf(data);
  std::string boundary = "----kalder";
  while (data.find(boundary) != std::string_view::npos) boundary += 'x';
  std::string body;
  std::string expectedFiles;
  ParamList expected;
  DecodedFields expectedFields(expected, CgiRequest::kLimits);
  bool asFile = false;
  for (const auto& [name, value] : fields) {
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"";
    if (asFile) body += "; filename=\"" + name + ".bin\"";
    body += "\r\n\r\n" + value + "\r\n";
    expectedFields.countItem();
    expectedFields.add(name, asFile ? "(file)" : value);
    // A file's field name is made storable as a field's is.
    if (asFile)
      expectedFiles += storableFieldName(name).str() + "|" + name + ".bin|" + value + "\n";
    asFile = !asFile;
  }
  body += "--" + boundary + "--\r\n";
  ParamList decoded;
  FileCollector files;
  Refusal refusal = decodeInPieces(body, boundary, piece, decoded, &files);
  if (refusal != Refusal::None) return "a well-formed body refused: " + body;
  if (dumpFields(decoded) != dumpFields(expected)) return "fields changed: " + body;
  if (files.files != expectedFiles) return "files changed: " + body;
  return "";
}

// The first byte chooses the piece size; the rest is a body under the
// boundary "B" and the fields of a body built from them.
inline std::string fuzzMultipart(std::string_view data) {
  if (data.empty()) return "";
  size_t piece = static_cast<unsigned char>(data[0]) % 64 + 1;
  data.remove_prefix(1);
  ParamList ignored;
  decodeInPieces(data, "B", piece, ignored);
  return fieldsComeBack(data, piece);
}

}  // namespace fuzz
