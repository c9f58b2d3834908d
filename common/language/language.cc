// Language table data and its name searches.
#include "common/language/language.h"

#include "common/text/text.h"

namespace {

constexpr const char* kSlovenianCharsets[] = {"ISO-8859-1", "ISO-8859-2", "UTF-8"};

int findLast(const char* const* names, int count, std::string_view name) {
  for (int i = count - 1; i >= 0; --i)
    if (equalsIgnoreCase(names[i], name)) return i;
  return -1;
}

}  // namespace

constinit const std::array<Language, kLanguageCount> kLanguages = {{
    {"eng", "english", "-W, -n -d, -Y", "-i:-T -p", 0, 0, nullptr, 0, nullptr},
    {"slo", "slovenski", "-C, -d. -E -Y", "-h:-T", kCodingCount, kEntityCount, kCodingNames, 3,
     kSlovenianCharsets},
}};

int Language::findCoding(std::string_view name) const {
  return findLast(codingNames, codingCount, name);
}

int Language::findCharset(std::string_view name) const {
  return findLast(charsetNames, charsetCount, name);
}

int findLanguage(std::string_view name) {
  for (int i = kLanguageCount - 1; i >= 0; --i)
    if (equalsIgnoreCase(kLanguages[i].shortName, name)) return i;
  return -1;
}
