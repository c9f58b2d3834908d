// Text operations whose results other layers rely on: ranges, searches,
// squeezing, line reading and the small formatter.
#include "common/text/text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

size_t clampCount(const std::string& s, long position, long count) {
  size_t rest = s.size() - static_cast<size_t>(position);
  if (count < 0 || static_cast<unsigned long>(count) > rest) return rest;
  return static_cast<size_t>(count);
}

bool sameChar(char a, char b, bool caseSensitive) {
  return caseSensitive ? a == b : upperAscii(a) == upperAscii(b);
}

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  return true;
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

long leadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

void Text::toUpper() {
  for (char& c : s_) c = upperAscii(c);
}

void Text::toLower() {
  for (char& c : s_) c = lowerAscii(c);
}

void Text::reverse() { std::reverse(s_.begin(), s_.end()); }

bool Text::equalsIgnoreCase(std::string_view other) const { return ::equalsIgnoreCase(s_, other); }

Text Text::substring(long position, long count) const {
  if (position < 0) position = 0;
  if (static_cast<size_t>(position) >= s_.size()) return Text();
  return Text(s_.substr(static_cast<size_t>(position), clampCount(s_, position, count)));
}

void Text::erase(long position, long count) {
  if (position < 0 || static_cast<size_t>(position) >= s_.size() || count == 0) return;
  s_.erase(static_cast<size_t>(position), clampCount(s_, position, count));
}

void Text::insertAt(long position, std::string_view text) {
  if (position < 0) position = 0;
  if (static_cast<size_t>(position) >= s_.size()) {
    s_ += text;
  } else {
    s_.insert(static_cast<size_t>(position), text);
  }
}

void Text::replaceRange(long position, long count, std::string_view text) {
  erase(position, count);
  insertAt(position, text);
}

long Text::findChar(char c, long from) const {
  if (from < 0) from = 0;
  if (static_cast<size_t>(from) >= s_.size()) return -1;
  size_t at = s_.find(c, static_cast<size_t>(from));
  return at == std::string::npos ? -1 : static_cast<long>(at);
}

long Text::findLastChar(char c) const {
  size_t at = s_.rfind(c);
  return at == std::string::npos ? -1 : static_cast<long>(at);
}

long Text::findText(std::string_view pattern, long from, bool caseSensitive) const {
  if (pattern.empty()) return -1;
  if (from < 0) from = 0;
  if (static_cast<size_t>(from) + pattern.size() > s_.size()) return -1;
  if (caseSensitive) {
    size_t at = s_.find(pattern, static_cast<size_t>(from));
    return at == std::string::npos ? -1 : static_cast<long>(at);
  }
  for (size_t i = static_cast<size_t>(from); i + pattern.size() <= s_.size(); ++i)
    if (matchesAt(static_cast<long>(i), pattern, false)) return static_cast<long>(i);
  return -1;
}

bool Text::matchesAt(long position, std::string_view pattern, bool caseSensitive) const {
  if (position < 0) return false;
  size_t at = static_cast<size_t>(position);
  if (at > s_.size() || s_.size() - at < pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i)
    if (!sameChar(s_[at + i], pattern[i], caseSensitive)) return false;
  return true;
}

void Text::replaceChar(char from, char to, long first, long last) {
  if (s_.empty()) return;
  long end = (last < 0 || static_cast<size_t>(last) >= s_.size()) ? length() - 1 : last;
  for (long i = std::max(first, 0L); i <= end; ++i)
    if (s_[static_cast<size_t>(i)] == from) s_[static_cast<size_t>(i)] = to;
}

void Text::removeChar(char c) { s_.erase(std::remove(s_.begin(), s_.end(), c), s_.end()); }

void Text::squeeze(char c) {
  std::string out;
  out.reserve(s_.size());
  for (char ch : s_) {
    if (ch == c && (out.empty() || out.back() == c)) continue;
    out += ch;
  }
  if (!out.empty() && out.back() == c) out.pop_back();
  s_ = std::move(out);
}

long Text::readLine(std::FILE* file) {
  // A buffer of the call's own: a line read (a password, say) is kept by no
  // one once the call returns.
  char* buffer = nullptr;
  size_t capacity = 0;
  ssize_t got = getline(&buffer, &capacity, file);
  std::unique_ptr<char, decltype(&std::free)> owned(buffer, &std::free);
  if (got < 0) {
    s_.clear();
    return -1;
  }
  size_t n = static_cast<size_t>(got);
  if (n && buffer[n - 1] == '\n') {
    --n;
    if (n && buffer[n - 1] == '\r') --n;
  }
  s_.assign(buffer, n);
  return length();
}

long Text::readBytes(std::FILE* file, long n) {
  s_.clear();
  char buffer[65536];
  while (n < 0 || length() < n) {
    size_t want = sizeof buffer;
    if (n >= 0) want = std::min(want, static_cast<size_t>(n - length()));
    size_t got = std::fread(buffer, 1, want, file);
    s_.append(buffer, got);
    if (got < want) break;
  }
  return length();
}

Text Text::format(std::string_view pattern, std::initializer_list<Arg> args) {
  Text out;
  auto next = args.begin();
  // Writes the next argument, if any is left; a missing one writes nothing.
  auto insertNext = [&]() {
    if (next == args.end()) return;
    const Arg& a = *next++;
    if (a.isNumber) {
      out.s_ += fromInt(a.number).s_;
    } else {
      out.s_ += a.text;
    }
  };
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c != '%') {
      out.s_ += c;
      continue;
    }
    if (i + 1 >= pattern.size()) break;  // a "%" at the very end is dropped
    char k = pattern[i + 1];
    if (k == 's' || k == 'd') {
      insertNext();
      ++i;
    } else if (k == 'l' && i + 2 < pattern.size() && pattern[i + 2] == 'd') {
      insertNext();
      i += 2;
    } else if (k == '%') {
      out.s_ += '%';
      ++i;
    } else {
      out.s_ += '%';
    }
  }
  return out;
}

Text Text::fromInt(long value, int width) {
  char digits[32];
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : value;
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  std::string out;
  if (value < 0) out += '-';
  for (int pad = width - n - (value < 0 ? 1 : 0); pad > 0; --pad) out += '0';
  while (n) out += digits[--n];
  return Text(std::move(out));
}
