// The syntax check of a single mail address.
#include "common/mail/mail_address.h"

namespace {

bool isAlphaNumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The symbols RFC 5322 allows in an unquoted local part, less the few that
// some servers and shells read specially ("|", "`", "'", "{", "}").
bool isLocalSymbol(char c) {
  switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '*':
    case '+':
    case '-':
    case '/':
    case '=':
    case '?':
    case '^':
    case '_':
    case '~': return true;
    default: return false;
  }
}

// Dot-separated words of which each is made of bytes that `allowed` takes.
template <typename Allowed>
bool isDottedWords(std::string_view text, Allowed allowed) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  char previous = 0;
  for (char c : text) {
    if (c == '.' ? previous == '.' : !allowed(c)) return false;
    previous = c;
  }
  return true;
}

bool isDomain(std::string_view domain) {
  if (domain.size() > 253 || domain.find('.') == std::string_view::npos) return false;
  if (!isDottedWords(domain, [](char c) { return isAlphaNumeric(c) || c == '-'; })) return false;
  for (size_t start = 0; start <= domain.size();) {
    size_t dot = domain.find('.', start);
    if (dot == std::string_view::npos) dot = domain.size();
    std::string_view label = domain.substr(start, dot - start);
    if (label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    start = dot + 1;
  }
  return true;
}

}  // namespace

bool isSingleMailAddress(std::string_view text) {
  if (text.size() > 254) return false;
  size_t at = text.find('@');
  if (at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos)
    return false;
  std::string_view local = text.substr(0, at);
  if (local.size() > 64) return false;
  return isDottedWords(local, [](char c) { return isAlphaNumeric(c) || isLocalSymbol(c); }) &&
         isDomain(text.substr(at + 1));
}
