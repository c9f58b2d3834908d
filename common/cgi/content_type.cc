// Splitting a Content-Type value into type and parameters.
#include "common/cgi/content_type.h"

#include "common/text/text.h"

namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

// Reads a quoted string that starts at text[at] == '"'; moves `at` past its
// closing quote. Without a closing quote there is no value.
std::optional<std::string> quotedString(std::string_view text, size_t& at) {
  std::string value;
  for (++at; at < text.size(); ++at) {
    char c = text[at];
    if (c == '"') {
      ++at;
      return value;
    }
    if (c == '\\' && at + 1 < text.size()) c = text[++at];
    value += c;
  }
  return std::nullopt;
}

// Reads "name=value" starting at `at`, up to the next ";" or the end.
bool readParameter(std::string_view text, size_t& at, ContentType& result) {
  size_t eq = text.find('=', at);
  size_t semicolon = text.find(';', at);
  if (eq == std::string_view::npos || eq > semicolon) return false;
  std::string name = lowered(trimBlanks(text.substr(at, eq - at)));
  if (name.empty()) return false;
  at = eq + 1;
  while (at < text.size() && isBlank(text[at])) ++at;
  std::string value;
  if (at < text.size() && text[at] == '"') {
    std::optional<std::string> quoted = quotedString(text, at);
    if (!quoted) return false;
    value = *quoted;
    while (at < text.size() && isBlank(text[at])) ++at;
    if (at < text.size() && text[at] != ';') return false;
  } else {
    size_t end = std::min(text.find(';', at), text.size());
    value = std::string(trimBlanks(text.substr(at, end - at)));
    at = end;
  }
  result.parameters.emplace_back(std::move(name), std::move(value));
  return true;
}

}  // namespace

std::optional<std::string> ContentType::parameter(std::string_view name) const {
  for (const auto& [key, value] : parameters)
    if (key == name) return value;
  return std::nullopt;
}

ContentType parseContentType(std::string_view value) {
  ContentType result;
  size_t semicolon = std::min(value.find(';'), value.size());
  result.type = lowered(trimBlanks(value.substr(0, semicolon)));
  for (size_t at = semicolon; at < value.size();) {
    ++at;  // past the ";"
    if (trimBlanks(value.substr(at, value.find(';', at) - at)).empty()) {
      at = std::min(value.find(';', at), value.size());
      continue;  // an empty parameter, as in "text/plain;"
    }
    if (!readParameter(value, at, result)) return ContentType{};
  }
  return result;
}
