// The index entry format and its CatalogGroup writer and reader.
#include "common/catalog/index_entry.h"

#include <charconv>
#include <cstdio>

#include "common/catalog/line_source.h"
#include "common/settings/catalog_group.h"

namespace {

void appendSingleLine(Text& out, std::string_view text) {
  size_t start = out.str().size();
  out += text;
  for (size_t i = out.str().find_first_of("\r\n", start); i != std::string::npos;
       i = out.str().find_first_of("\r\n", i + 1))
    out.str()[i] = ' ';
}

// The text before the first space, taken off `rest` with that space; the
// whole rest when there is no space.
std::string_view takeWord(std::string_view& rest) {
  size_t space = rest.find(' ');
  std::string_view word = rest.substr(0, space);
  rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
  return word;
}

}  // namespace

void appendIndexEntry(Text& out, std::string_view label, std::string_view formName,
                      bool withCatalog, std::string_view catalogName, long offset,
                      std::string_view refLabel) {
  appendSingleLine(out, label);
  out += ' ';
  appendSingleLine(out, formName);
  if (withCatalog) {
    out += ' ';
    appendSingleLine(out, catalogName);
  }
  char number[24];
  number[0] = ' ';
  auto [end, error] = std::to_chars(number + 1, number + sizeof number, offset);
  (void)error;  // a long always fits
  out += std::string_view(number, static_cast<size_t>(end - number));
  if (!refLabel.empty()) {
    out += ' ';
    appendSingleLine(out, refLabel);
  }
  out += '\n';
}

IndexEntry parseIndexEntry(std::string_view line, bool withCatalog) {
  IndexEntry entry;
  std::string_view rest = line;
  entry.label = takeWord(rest);
  entry.formName = takeWord(rest);
  if (withCatalog) entry.catalogName = takeWord(rest);
  size_t space = rest.find(' ');
  if (space != std::string_view::npos) {
    entry.refLabel = rest.substr(space + 1);
    rest = rest.substr(0, space);
  }
  entry.offset = leadingNumber(rest);
  return entry;
}

void CatalogGroup::writeIndexEntry(std::FILE* file, const Text& label, const Text& formName,
                                   const CatalogFile& catalogFile, long offset,
                                   const Text& refLabel) {
  Text line;
  appendIndexEntry(line, label, formName, indexMode == ShareMode::Common, catalogFile.name, offset,
                   refLabel);
  std::fwrite(line.c_str(), 1, line.str().size(), file);
}

Text CatalogGroup::readIndexEntry(std::FILE* file, Text& label, Text& formName, Text& catalogName,
                                  long& offset, Text& refLabel) {
  FileLines lines(file);
  std::string_view line;
  if (!lines.next(line)) return Text();
  IndexEntry entry = parseIndexEntry(line, indexMode != ShareMode::Private);
  label = std::move(entry.label);
  formName = std::move(entry.formName);
  catalogName = std::move(entry.catalogName);
  offset = entry.offset;
  refLabel = std::move(entry.refLabel);
  return Text(line) + '\n';
}
