// Index entries written and read, and where an index lies.
#include "common/catalog/index_entry.h"

#include <charconv>

#include "common/files/path.h"

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

Text privateIndexPath(const Text& catalogPath) {
  Text path = catalogPath;
  setExtension(path, "idx");
  return path;
}

Text commonIndexPath(const Text& groupPath) {
  Text path = groupPath;
  setExtension(path, "idx");
  return path;
}

Text indexPathOf(ShareMode mode, const Text& groupPath, const CatalogFile& file) {
  if (mode == ShareMode::Private) return privateIndexPath(file.path);
  if (mode == ShareMode::Common) return commonIndexPath(groupPath);
  return Text();
}

void appendIndexEntry(Text& out, const IndexEntry& entry, bool withCatalog) {
  appendSingleLine(out, entry.label);
  out += ' ';
  appendSingleLine(out, entry.formName);
  if (withCatalog) {
    out += ' ';
    appendSingleLine(out, entry.catalogName);
  }
  char number[24];
  number[0] = ' ';
  auto [end, error] = std::to_chars(number + 1, number + sizeof number, entry.offset);
  (void)error;  // a long always fits
  out += std::string_view(number, static_cast<size_t>(end - number));
  if (!entry.refLabel.empty()) {
    out += ' ';
    appendSingleLine(out, entry.refLabel);
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

std::optional<IndexEntry> readIndexEntry(LineSource& lines, bool withCatalog) {
  std::string_view line;
  if (!lines.next(line)) return std::nullopt;
  return parseIndexEntry(line, withCatalog);
}
