// Finding a help page by the path of a request.
#include "manual/help_pages.h"

#include "common/text/text.h"

namespace {

// "..", with any of its dots written "%2e" or "%2E".
bool isDotDotSegment(std::string_view segment) {
  int dots = 0;
  while (!segment.empty() && dots <= 2) {
    size_t width = segment[0] == '.' ? 1 : equalsIgnoreCase(segment.substr(0, 3), "%2e") ? 3 : 0;
    if (width == 0) return false;
    segment.remove_prefix(width);
    ++dots;
  }
  return segment.empty() && dots == 2;
}

bool holdsIgnoringCase(std::string_view text, std::string_view part) {
  for (size_t at = 0; at + part.size() <= text.size(); ++at)
    if (equalsIgnoreCase(text.substr(at, part.size()), part)) return true;
  return false;
}

}  // namespace

const HelpPage* findHelpPage(std::string_view path) {
  constexpr std::string_view kSuffix = ".htm";
  if (path.size() <= kSuffix.size() || !path.ends_with(kSuffix)) return nullptr;
  std::string_view name = path.substr(0, path.size() - kSuffix.size());
  for (size_t i = 0; i < kHelpPageCount; ++i)
    if (name == kHelpPages[i].name) return &kHelpPages[i];
  return nullptr;
}

bool isPlainAddress(std::string_view requestUri) {
  if (holdsIgnoringCase(requestUri, "%2f") || holdsIgnoringCase(requestUri, "%5c")) return false;
  std::string_view path = requestUri.substr(0, requestUri.find('?'));
  while (!path.empty()) {
    size_t end = path.find_first_of("/\\");
    if (isDotDotSegment(path.substr(0, end))) return false;
    path.remove_prefix(end == std::string_view::npos ? path.size() : end + 1);
  }
  return true;
}

const HelpPageText& helpPageText(const HelpPage& page, std::string_view language) {
  for (const HelpPageText& text : page.texts)
    if (language == text.language) return text;
  return page.texts[0];
}

const char* helpLanguageCode(std::string_view language) {
  return helpPageText(kHelpPages[0], language).htmlLanguage;
}
