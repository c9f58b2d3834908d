// Finding a help page by the path of a request.
#include "manual/help_pages.h"

const HelpPage* findHelpPage(std::string_view path) {
  constexpr std::string_view kSuffix = ".htm";
  if (path.size() <= kSuffix.size() || !path.ends_with(kSuffix)) return nullptr;
  std::string_view name = path.substr(0, path.size() - kSuffix.size());
  for (size_t i = 0; i < kHelpPageCount; ++i)
    if (name == kHelpPages[i].name) return &kHelpPages[i];
  return nullptr;
}

const HelpPageText& helpPageText(const HelpPage& page, std::string_view language) {
  for (const HelpPageText& text : page.texts)
    if (language == text.language) return text;
  return page.texts[0];
}

const char* helpLanguageCode(std::string_view language) {
  return helpPageText(kHelpPages[0], language).htmlLanguage;
}
