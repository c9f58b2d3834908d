// The JSON answer a script gets instead of a page: whether the request asks
// for one, and the small objects it is written as. Every string is valid
// JSON whatever bytes it held (see jsonString).
#pragma once

#include <string_view>

#include "common/text/text.h"

inline constexpr char kJsonContentType[] = "application/json; charset=utf-8";

// True when the Accept header lists "application/json" as a media range
// (letter case and parameters aside; "q=0" refuses it) or the query
// parameter "format" is "json".
bool asksForJson(std::string_view accept, std::string_view formatParameter);

// `text` as a quoted JSON string: quote and backslash escaped, control bytes
// as \u00XX, and every byte that is not part of valid UTF-8 as \ufffd, so
// that a value in another coding still gives a valid answer.
Text jsonString(std::string_view text);

// An object written member by member: {"ok":true,"label":"ORD-7"}.
class JsonObject {
 public:
  JsonObject& addString(std::string_view name, std::string_view value);
  JsonObject& addBool(std::string_view name, bool value);
  // The object with a closing line feed.
  Text text() const { return members_ + "}\n"; }

 private:
  void addName(std::string_view name);

  Text members_{"{"};
};
