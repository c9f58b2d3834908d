// The sort key reader of both record layouts.
#include "common/catalog/sort_key.h"

#include <algorithm>

#include "common/catalog/delimited_record.h"
#include "common/cgi/cgi_request.h"
#include "common/text/param_list.h"

namespace {

// The key as a parameter list stores a new value.
void normalise(Text& key) {
  expandQuotedLetters(key);
  key.removeChar('\r');
}

// Passes the lines of a bracketed value up to its closing word, keeping
// them in `value` only when `keep` is set; false when the input ends first.
bool readBlock(BlockLines& lines, const Text& word, bool keep, Text& value) {
  for (bool first = true;; first = false) {
    if (keep) {
      std::string_view line;
      if (!lines.next(line)) return false;
      if (line == word.view()) return true;
      if (!first) value += '\n';
      value += line;
      continue;
    }
    std::string_view start;
    bool whole = false;
    if (!lines.peek(start, word.view().size(), whole)) return false;
    bool closes = whole && start == word.view();
    lines.skip();
    if (closes) return true;
  }
}

}  // namespace

SortKeyReader::SortKeyReader(const RecordLayout& layout, std::string_view field)
    : field_(field), delimited_(layout.delimited()) {
  // Names up to the longest a request may post are read from the peeked
  // start of their line; a longer one needs its line whole.
  peekLimit_ = std::max(field.size(), CgiRequest::kLimits.nameLength) + 2;
  if (!delimited_ || field.empty()) return;
  delimiter_ = layout.delimiter();
  std::string_view rest = layout.delimitedNames().view();
  for (long column = 0;; ++column) {
    size_t stop = rest.find(delimiter_);
    if (isSortField(rest.substr(0, stop))) {
      column_ = column;
      return;
    }
    if (stop == std::string_view::npos) return;
    rest.remove_prefix(stop + 1);
  }
}

bool SortKeyReader::isSortField(std::string_view name) const {
  return !name.empty() && equalsIgnoreCase(name, field_.view());
}

RecordRead SortKeyReader::next(BlockLines& lines, Text& key) {
  key = Text();
  RecordRead read = delimited_ ? nextDelimited(lines, key) : nextItem(lines, key);
  normalise(key);
  return read;
}

RecordRead SortKeyReader::nextDelimited(BlockLines& lines, Text& key) {
  std::string_view line;
  if (!lines.next(line)) return RecordRead::End;
  if (column_ >= 0 && !delimitedColumn(line, delimiter_, static_cast<size_t>(column_), key))
    key = Text();
  return RecordRead::Record;
}

// The lines of one item-form record, as readItemRecord reads them.
RecordRead SortKeyReader::nextItem(BlockLines& lines, Text& key) {
  bool found = false;
  std::string_view start;
  bool whole = false;
  if (!lines.peek(start, peekLimit_, whole)) return RecordRead::End;
  for (;;) {
    if (whole && start.empty()) {
      lines.skip();  // the empty line that ends the record
      break;
    }
    Step step = readField(lines, start, whole, key, found);
    if (step == Step::Malformed) return RecordRead::Malformed;
    if (step == Step::EndOfRecord || !lines.peek(start, peekLimit_, whole)) break;
  }
  return RecordRead::Record;
}

// One field line, whose start `start` was peeked, with its bracketed block.
SortKeyReader::Step SortKeyReader::readField(BlockLines& lines, std::string_view start, bool whole,
                                             Text& key, bool& found) {
  std::string_view line = start;
  bool taken = false;
  size_t eq = line.find('=');
  if (!whole && (eq == std::string_view::npos || eq + 1 >= line.size())) {
    lines.next(line);  // a name longer than the peek
    taken = true;
    eq = line.find('=');
  }
  if (eq == std::string_view::npos || eq + 1 >= line.size()) return Step::Malformed;
  bool wanted = !found && isSortField(line.substr(0, eq));
  char kind = line[eq + 1];
  if (kind != '=' && kind != '+') return Step::Malformed;
  if (kind == '=' && !wanted) {
    if (!taken) lines.skip();
    return Step::Next;
  }
  if (!taken) lines.next(line);
  if (kind == '=') {
    key = Text(line.substr(eq + 2));
    found = true;
    return Step::Next;
  }
  Text word(line.substr(eq + 2)), value;
  if (!readBlock(lines, word, wanted, value)) return Step::EndOfRecord;
  if (wanted) {
    key = std::move(value);
    found = true;
  }
  return Step::Next;
}
