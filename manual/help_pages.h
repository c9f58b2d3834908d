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
};

extern const HelpPage kHelpPages[];
extern const size_t kHelpPageCount;

// The page a request's path names ("Pzorvik.htm"), or null: only a name of
// the page table matches, so "..", slashes and encodings never do.
const HelpPage* findHelpPage(std::string_view path);
// The page's text in the language of that short name, else its first.
const HelpPageText& helpPageText(const HelpPage& page, std::string_view language);
// The code of the lang attribute of that language's pages ("en").
const char* helpLanguageCode(std::string_view language);
