// Escaping and link pieces of the administration pages.
#include "zorvik/page_markup.h"

#include "zorvik/admin_application.h"

namespace {

// Characters that end an unquoted attribute value or may not appear in one
// ("<", ">" and the double quote are escaped before this matters).
bool endsUnquotedAttribute(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\'' || c == '`' ||
         c == '=';
}

}  // namespace

Text unquotedAttribute(std::string_view value) {
  bool quote = value.empty();
  for (char c : value) quote = quote || endsUnquotedAttribute(c);
  Text escaped = escapeAttribute(value);
  return quote ? "\"" + escaped + "\"" : escaped;
}

Text languageQuery(const AdminApplication& app) {
  if (app.languageParam().empty()) return Text();
  return "?language=" + percentEncode(app.languageParam());
}

Text languageItem(const AdminApplication& app) {
  if (app.languageParam().empty()) return Text();
  return "language=" + percentEncode(app.languageParam());
}

Text helpLinkBase(const AdminApplication& app) {
  return escapeAttribute(app.WWWhome().view()) + "manual.exe/Pzorvik.htm#";
}
