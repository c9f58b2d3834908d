// Unquoted attributes and link pieces of the administration pages.
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

Markup unquotedAttribute(std::string_view value) {
  bool quote = value.empty();
  for (char c : value) quote = quote || endsUnquotedAttribute(c);
  Markup exact = exactValue(value);
  return quote ? "\"" + exact + "\"" : exact;
}

Text languageItem(const AdminApplication& app) {
  if (app.languageParam().empty()) return Text();
  return "language=" + percentEncode(app.languageParam());
}

Markup helpLinkBase(const AdminApplication& app) {
  return exactValue(app.WWWhome()) + "manual.exe/Pzorvik.htm#";
}
