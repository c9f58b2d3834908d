// Markup to plain UTF-8 text.
#include "common/cgi/plain_text.h"

#include <cctype>
#include <cstdlib>

#include "common/language/entities.h"
#include "common/text/utf8.h"

namespace {

struct Reference {
  long codePoint = -1;  // -1: no reference begins here
  size_t length = 0;
};

Reference numericReference(std::string_view text) {
  bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
  size_t digits = hex ? 3 : 2;
  size_t end = text.find(';');
  if (end == std::string_view::npos || end == digits || end > digits + 8) return {};
  std::string number(text.substr(digits, end - digits));
  char* stop = nullptr;
  long value = std::strtol(number.c_str(), &stop, hex ? 16 : 10);
  if (*stop != '\0' || !std::isxdigit(static_cast<unsigned char>(number[0]))) return {};
  return {value, end + 1};
}

Reference referenceAt(std::string_view text) {
  static constexpr struct {
    std::string_view name;
    long codePoint;
  } kNamed[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
  if (text.size() > 1 && text[1] == '#') return numericReference(text);
  for (const auto& named : kNamed) {
    if (text.substr(0, named.name.size()) == named.name)
      return {named.codePoint, named.name.size()};
  }
  int length = 0;
  int codePoint = entityCodePoint(text, &length);
  if (codePoint > 0) return {codePoint, static_cast<size_t>(length)};
  return {};
}

}  // namespace

Text plainText(std::string_view markup) {
  Text out;
  while (!markup.empty()) {
    if (markup.front() == '<') {
      size_t close = markup.find('>');
      markup.remove_prefix(close == std::string_view::npos ? markup.size() : close + 1);
      continue;
    }
    Reference reference = markup.front() == '&' ? referenceAt(markup) : Reference{};
    if (reference.codePoint >= 0) {
      appendUtf8(out.str(), static_cast<unsigned>(reference.codePoint));
      markup.remove_prefix(reference.length);
    } else {
      out += markup.front();
      markup.remove_prefix(1);
    }
  }
  return out;
}
