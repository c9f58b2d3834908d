// Whether a visitor's text may be the one address a mail goes to: the
// recipient of a confirmation link is typed by whoever fills in the form, so
// only a plain "local@domain" passes: no list, no display name, no
// comment, no line break, nothing a mail server or header could read as
// more than one recipient.
#pragma once

#include <string_view>

// True for exactly one address of letters, digits and the usual symbols
// before the "@" (dots only between them), and a domain of at least two
// labels of letters, digits and inner hyphens; at most 254 bytes.
bool isSingleMailAddress(std::string_view text);
