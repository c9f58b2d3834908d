// Checking a visitor's mail address by a deliberately narrow grammar.
#include "common/mail/visitor_address.h"

namespace {

bool isAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool validLocalPart(std::string_view local) {
  if (local.empty() || local.size() > 64 || local.front() == '.' || local.back() == '.')
    return false;
  for (size_t i = 0; i < local.size(); ++i) {
    char c = local[i];
    if (c == '.' && local[i + 1] == '.') return false;
    if (!isAlnum(c) && std::string_view("._%+-=").find(c) == std::string_view::npos) return false;
  }
  return true;
}

bool validLabel(std::string_view label) {
  if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
    return false;
  for (char c : label)
    if (!isAlnum(c) && c != '-') return false;
  return true;
}

bool validDomain(std::string_view domain) {
  size_t labels = 0;
  for (;;) {
    size_t dot = domain.find('.');
    if (!validLabel(domain.substr(0, dot))) return false;
    ++labels;
    if (dot == std::string_view::npos) break;
    domain.remove_prefix(dot + 1);
  }
  return labels >= 2;
}

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

Text singleMailAddress(std::string_view value) {
  std::string_view address = trimSpaces(value);
  if (address.size() > kMaxAddressLength) return Text();
  size_t at = address.find('@');
  if (at == std::string_view::npos || address.find('@', at + 1) != std::string_view::npos)
    return Text();
  if (!validLocalPart(address.substr(0, at)) || !validDomain(address.substr(at + 1))) return Text();
  return Text(address);
}
