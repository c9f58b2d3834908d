// Markup's escaping of outside arguments, and exact values.
#include "common/cgi/markup.h"

#include "common/cgi/html_escape.h"

Text Markup::arg(std::string_view outside) { return escapeHtml(outside); }

Markup exactValue(std::string_view value) { return Markup(escapeAttribute(value)); }
