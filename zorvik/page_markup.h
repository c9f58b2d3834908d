// Markup helpers of the administration pages: the one escaping of stored
// values for the page, and the pieces of the links and form actions that
// carry the group name and the language parameter to the next request.
#pragma once

#include <string_view>

#include "common/text/text.h"

class AdminApplication;

// A stored value as the page must hold it, so that the browser shows it and
// posts it back byte for byte: "&", "<", ">" and the double quote become
// character references. Entity names such as "&ccaron;" are escaped too, so
// the page's coding conversion leaves them alone instead of turning them into
// plain letters that the next save would store.
Text escapeValue(std::string_view value);

// An escaped value for an attribute that the page writes without quotes
// (the overview's field names); quoted when the value is empty or holds a
// character that would end an unquoted attribute, such as a blank.
Text unquotedAttribute(std::string_view value);

// Percent-encodes every byte but letters, digits and "-_.~," so that a value
// can neither leave its URL part nor its attribute ("slo,cp1250" stays as it is).
Text encodeUrlPart(std::string_view text);

// "?language=<param>" for a form action, empty without a language parameter.
Text languageQuery(const AdminApplication& app);
// "language=<param>" for a link that already ends in "?", or empty.
Text languageItem(const AdminApplication& app);
// The start of a help link: WWWhome, "manual.exe/Pzorvik.htm#" (escaped).
Text helpLinkBase(const AdminApplication& app);
