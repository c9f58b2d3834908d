// Markup helpers of the administration pages: the one escaping of stored
// values for the page, and the pieces of the links and form actions that
// carry the group name and the language parameter to the next request.
#pragma once

#include <string_view>

#include "common/cgi/html_escape.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

class AdminApplication;

// Stored values are written with escapeAttribute (common/cgi/html_escape.h)
// so that the browser shows them and posts them back byte for byte: entity
// names such as "&ccaron;" are escaped too, so the page's coding conversion
// leaves them alone instead of turning them into plain letters that the next
// save would store. URL parts go through percentEncode.

// An escaped value for an attribute that the page writes without quotes
// (the overview's field names); quoted when the value is empty or holds a
// character that would end an unquoted attribute, such as a blank.
Text unquotedAttribute(std::string_view value);

// "?language=<param>" for a form action, empty without a language parameter.
Text languageQuery(const AdminApplication& app);
// "language=<param>" for a link that already ends in "?", or empty.
Text languageItem(const AdminApplication& app);
// The start of a help link: WWWhome, "manual.exe/Pzorvik.htm#" (escaped).
Text helpLinkBase(const AdminApplication& app);
