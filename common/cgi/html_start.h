// The start of a page this system designs: "<html lang=...>", which tells a
// screen reader the page's language. The pages whose bytes are fixed (the
// error page among them) keep a bare "<html>".
#pragma once

#include <array>

#include "common/cgi/cgi_page.h"

// Each language's code in a page's lang attribute (BCP 47), in the order of
// the language table.
inline constexpr std::array<const char*, kLanguageCount> kHtmlLanguageCodes{"en", "sl"};

// Writes "<html lang=\"en\">" and a line feed, in the page's current language.
void writeHtmlStart(const CgiPage& page);
