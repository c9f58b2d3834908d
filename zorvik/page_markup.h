// Markup helpers of the administration pages: unquoted attribute values and
// the pieces of the links that carry the language parameter and lead to the
// help pages.
#pragma once

#include <string_view>

#include "common/cgi/markup.h"
#include "common/text/text.h"

class AdminApplication;

// Stored values are written with exactValue (common/cgi/markup.h) so that the
// browser shows them and posts them back byte for byte: entity names such as
// "&ccaron;" are escaped too, so the page's coding conversion leaves them
// alone instead of turning them into plain letters that the next save would
// store.

// An exact value for an attribute that the page writes without quotes (the
// overview's field names); quoted when the value is empty or holds a
// character that would end an unquoted attribute, such as a blank.
Markup unquotedAttribute(std::string_view value);

// "language=<param>" for a link that already ends in "?", or empty.
Text languageItem(const AdminApplication& app);
// The start of a help link: WWWhome, "manual.exe/Pzorvik.htm#".
Markup helpLinkBase(const AdminApplication& app);
