// The re-filled form page over any page: the parser and the splicing never
// read or write past the page, the summary is always added, and no posted
// value leaves its attribute or element (its markup never appears as
// markup), whatever the page holds: unclosed tags, fields in comments,
// scripts or CDATA, broken bytes.
#pragma once

#include <string>
#include <string_view>

#include "fuzz/harness/fuzz_support.h"
#include "insert/refilled_form.h"

namespace fuzz {

// Input: the bytes of a form page.
inline std::string fuzzRefilledForm(std::string_view data) {
  constexpr std::string_view kEvil = "<x-evil-7>";
  ParamList fields;
  for (const char* name : {"a", "t", "s", "c", "r"}) {
    fields.add(name, "\"'></textarea></select><x-evil-7>&amp;", AddMode::Append);
    fields.add(name, "on", AddMode::Append);
  }
  List<FieldError> errors;
  for (const char* name : {"a", "t", "missing"})
    errors.push_back({Text(name), Text(name), Markup("is wrong")});
  RefillRequest request;
  request.fields = &fields;
  request.errors = &errors;
  request.honeypot = "h";
  request.titlePrefix = Markup("Error: ");
  request.heading = Markup("Errors");
  request.baseAddress = "https://a.example/\"><x-evil-7>";
  Text out;
  if (!refillForm(data, request, out)) {
    if (data.size() <= kMaxRefilledPage && data.size() <= kMaxRefilledTags)
      return "a small page was not re-filled";
    return "";
  }
  if (out.view().find("role=\"alert\"") == std::string_view::npos) return "no summary";
  if (data.find(kEvil) == std::string_view::npos &&
      out.view().find(kEvil) != std::string_view::npos)
    return "a posted value's markup reached the page";
  return "";
}

}  // namespace fuzz
