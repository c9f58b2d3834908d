// Escaping and link pieces of the administration pages.
#include "zorvik/page_markup.h"

#include "zorvik/admin_application.h"

Text escapeValue(std::string_view value) {
  Text out;
  out.str().reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

namespace {

// Characters that end an unquoted attribute value or may not appear in one
// ("<", ">" and the double quote are escaped before this matters).
bool endsUnquotedAttribute(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\'' || c == '`' ||
         c == '=';
}

bool isUrlSafe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '~' || c == ',';
}

}  // namespace

Text unquotedAttribute(std::string_view value) {
  bool quote = value.empty();
  for (char c : value) quote = quote || endsUnquotedAttribute(c);
  Text escaped = escapeValue(value);
  return quote ? "\"" + escaped + "\"" : escaped;
}

Text encodeUrlPart(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  Text out;
  for (char c : text) {
    if (isUrlSafe(c)) {
      out += c;
      continue;
    }
    auto byte = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
  return out;
}

Text languageQuery(const AdminApplication& app) {
  if (app.languageParam().empty()) return Text();
  return "?language=" + encodeUrlPart(app.languageParam());
}

Text languageItem(const AdminApplication& app) {
  if (app.languageParam().empty()) return Text();
  return "language=" + encodeUrlPart(app.languageParam());
}

Text helpLinkBase(const AdminApplication& app) {
  return escapeValue(app.WWWhome().view()) + "manual.exe/Pzorvik.htm#";
}
