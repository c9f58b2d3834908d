// The help pages, compiled into the program from the Markdown texts of
// manual/text (manual/help_text.py writes the table at build time): no file
// is opened to answer a request, so no request can name one.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "common/language/language.h"

// Where a link in a page's body leads to another page, the body holds this
// character: the writer puts the request's language query there.
inline constexpr char kLanguageQueryMark = '\001';

struct HelpPageText {
  const char* language;      // the language's short name ("eng", "slo")
  const char* htmlLanguage;  // its code for the lang attribute ("en", "sl")
  const char* title;         // markup, letters outside ASCII as entities
  const char* body;          // markup, the same
};

struct HelpPage {
  const char* name;  // "Pzorvik", served as "Pzorvik.htm"
  std::array<HelpPageText, kLanguageCount> texts;
  const char* script;        // the text between the page's script tags
  const char* scriptSource;  // its digest as a script-src source ("'sha256-...'")
};

extern const HelpPage kHelpPages[];
extern const size_t kHelpPageCount;

// The page a request's path names ("Pzorvik.htm"), or null: only a name of
// the page table matches, so "..", slashes and encodings never do.
const HelpPage* findHelpPage(std::string_view path);
// False when the request's raw address (REQUEST_URI, empty where the server
// gives none) holds an encoded slash or backslash ("%2F", "%5c") or, before
// its query, a ".." segment ("%2e" counting as a dot): a server may decode
// and shorten such a path to a page's name while the browser still shows
// the path it was given, which is then no page's address. No address of a
// help link holds either.
bool isPlainAddress(std::string_view requestUri);
// The page's text in the language of that short name, else its first.
const HelpPageText& helpPageText(const HelpPage& page, std::string_view language);
// The code of the lang attribute of that language's pages ("en").
const char* helpLanguageCode(std::string_view language);
