// Escaping of outside data that a page writes inside markup: a value from a
// request or a file must never open a tag or leave an attribute.
#pragma once

#include <string>
#include <string_view>

#include "common/text/text.h"

// "<", ">", '"' and "'" become character references. "&" stays, because
// values hold Slovenian letters as entity names ("&ccaron;") that the page's
// coding conversion must still find.
Text escapeHtml(std::string_view text);

// For values that a page writes into a form and the browser posts back:
// "&" becomes "&amp;" too, so entity names reach the browser as text and
// come back unconverted, and "<", ">", '"' become "&lt;", "&gt;", "&quot;".
Text escapeAttribute(std::string_view text);

// The arguments of a message that carries outside data: texts escaped,
// numbers as they are (see CgiPage::fatal).
inline Text escapedArg(std::string_view text) {
  return escapeHtml(text);
}
inline Text escapedArg(const std::string& text) {
  return escapeHtml(text);
}
inline Text escapedArg(const Text& text) {
  return escapeHtml(text.view());
}
inline Text escapedArg(const char* text) {
  return escapeHtml(text ? text : "");
}
inline int escapedArg(int number) {
  return number;
}
inline long escapedArg(long number) {
  return number;
}
