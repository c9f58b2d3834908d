// Escaping of outside text for HTML: the two escapes behind the page writers
// (see common/cgi/markup.h), the only ones in the system. Pages do not call
// them: a text argument of print is escaped, exactValue asks for the other.
#pragma once

#include <string_view>

#include "common/text/text.h"

// Page text: "<", ">", '"' and "'" become character references, so the text
// can neither open a tag nor leave a quoted attribute. "&" stays, because
// values hold Slovenian letters as entity names ("&ccaron;") that the page's
// coding conversion must still find.
Text escapeHtml(std::string_view text);

// Exact values: "&" becomes "&amp;" too, so entity names reach the browser
// as text and come back unconverted, and "<", ">", '"' become "&lt;",
// "&gt;", "&quot;". For values that a page writes into a form and the
// browser posts back.
Text escapeAttribute(std::string_view text);
