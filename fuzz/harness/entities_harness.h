// The entity conversion over any text, in every coding: it never reads past
// the text, leaves text without "&" as it is, and finds an entity name only
// where the table has one.
#pragma once

#include <string>
#include <string_view>

#include "common/language/entities.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// Input: any text.
inline std::string fuzzEntities(std::string_view data) {
  for (int coding = -1; coding <= kCodingCount; ++coding) {
    Text converted = convertEntities(data, coding);
    if (data.find('&') == std::string_view::npos && converted != data)
      return "text without an entity changed in coding " + std::to_string(coding);
  }
  for (size_t i = 0; i < data.size(); ++i) {
    int length = 0;
    int codePoint = entityCodePoint(data.substr(i), &length);
    if (codePoint == 0) continue;
    if (length <= 0 || static_cast<size_t>(length) > data.size() - i)
      return "an entity name longer than the text";
    std::string_view name = data.substr(i, static_cast<size_t>(length));
    bool known = false;
    for (const char* entity : kEntityNames) known = known || name == entity;
    if (!known) return "an entity name the table does not hold";
  }
  return "";
}

}  // namespace fuzz
