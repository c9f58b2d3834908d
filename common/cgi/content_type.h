// ContentType: a Content-Type value (or a Content-Disposition value, which has
// the same shape) split into its type, lower-cased, and its parameters, so
// that a body is decoded by what it is whatever letter case a client writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ContentType {
  std::string type;  // "multipart/form-data", lower case, without blanks
  std::vector<std::pair<std::string, std::string>> parameters;  // names lower-cased

  // The value of the first parameter of that (lower-case) name, if there is one.
  std::optional<std::string> parameter(std::string_view name) const;
};

//   parseContentType("Multipart/Form-Data; boundary=\"a b\"")
//     -> type "multipart/form-data", parameters [("boundary", "a b")]
// A quoted value may hold ";" and backslash escapes; a parameter without "="
// or with an unclosed quote makes the result empty (type "").
ContentType parseContentType(std::string_view value);
