// The line rules that the settings file and the group files share: lines end
// at a line feed, a carriage return before it is dropped when reading, and a
// value written into a line stays on that line.
#pragma once

#include <limits>
#include <string_view>

#include "common/text/text.h"

// Takes the line of `content` that begins at `at` and moves `at` past its
// line end: the line without its line feed and a carriage return before it,
// or a last line without a line feed as it is. False at the end.
inline bool takeLine(std::string_view content, size_t& at, std::string_view& line) {
  if (at >= content.size()) return false;
  size_t feed = content.find('\n', at);
  size_t end = feed == std::string_view::npos ? content.size() : feed + 1;
  line = content.substr(at, end - at);
  if (feed != std::string_view::npos) {
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  at = end;
  return true;
}

// Splits off the next word of `line`, up to a space (the state files of the
// spam defences are lines of words).
inline std::string_view takeWord(std::string_view& line) {
  size_t blank = line.find(' ');
  std::string_view word = line.substr(0, blank);
  line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
  return word;
}

// Calls visit(line, start, length) for each line of `content` as takeLine
// takes them, with where the whole line lies (its line end included).
template <typename Visit>
void forEachLine(std::string_view content, Visit visit) {
  std::string_view line;
  for (size_t start = 0, at = 0; takeLine(content, at, line); start = at)
    visit(line, start, at - start);
}

// A value as it is written into one line: line breaks become spaces, so a
// value set from a form cannot add lines (a "[GROUPS]" section or a counter
// line, say) to the file.
inline Text oneLine(std::string_view value) {
  Text line(value);
  line.replaceChar('\r', ' ');
  line.replaceChar('\n', ' ');
  return line;
}

// The whole of `word` as a number (a time, a count); false for anything
// else, an empty word too, and for more than 19 digits. Read digit by digit
// rather than with std::from_chars, at a third of the cost: the state files
// of the spam defences hold thousands, read on every submission.
inline bool readWordLong(std::string_view word, long& value) {
  bool negative = !word.empty() && word.front() == '-';
  if (negative) word.remove_prefix(1);
  if (word.empty() || word.size() > 19) return false;
  unsigned long number = 0;  // 19 digits cannot overflow it
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<unsigned long>(c - '0');
  }
  unsigned long most = static_cast<unsigned long>(std::numeric_limits<long>::max()) + negative;
  if (number > most) return false;
  value = negative ? static_cast<long>(0 - number) : static_cast<long>(number);
  return true;
}

// Whether `word`, which readWordLong has read, is the number as it is
// written (no leading zero, no "-0"): a line of such words can be written
// back as it was read, without writing it out again.
inline bool writtenAsRead(std::string_view word) {
  size_t digits = word.front() == '-' ? 1 : 0;
  return word[digits] != '0' || word.size() == 1;
}
