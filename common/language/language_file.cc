// Finding the file of a request's language beside the file a group names.
#include "common/language/language_file.h"

Text languageVariantPath(const Text& path, std::string_view languageName) {
  std::string_view whole = path.view();
  size_t slash = whole.rfind('/');
  size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = whole.rfind('.');
  if (dot == std::string_view::npos || dot <= nameStart) dot = whole.size();
  Text variant(whole.substr(0, dot));
  variant += ".";
  variant += languageName;
  variant += whole.substr(dot);
  return variant;
}

Text languageFilePath(const Text& path, std::string_view languageName,
                      const std::function<bool(const Text&)>& exists) {
  Text variant = languageVariantPath(path, languageName);
  return exists(variant) ? variant : path;
}
