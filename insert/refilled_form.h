// The form page of a submission that broke a rule, shown again: the
// visitor's values put back, an error summary at the top of the body (after
// its main heading), each field marked invalid with its message beside it,
// the title prefixed. The page is parsed with an HTML5 parser (Gumbo) only
// to find where to change it; the changes are spliced into the page's own
// bytes, so the site's markup is otherwise kept as it was.
#pragma once

#include <string_view>

#include "common/cgi/markup.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"
#include "insert/field_rules.h"

// A larger page, or one of more tags, is not re-filled (the caller answers
// with its error page instead): parsing stays cheap and the parser's depth
// bounded.
inline constexpr size_t kMaxRefilledPage = 1 << 20;
inline constexpr size_t kMaxRefilledTags = 20000;

struct RefillRequest {
  const ParamList* fields = nullptr;
  const List<FieldError>* errors = nullptr;
  Text honeypot;       // a field never filled in; empty for none
  Markup titlePrefix;  // "Error: "
  Markup heading;      // the summary's heading
  Text baseAddress;    // the page's address for a <base>; empty for none
};

// The re-filled page of `page`, or false (and `out` untouched) when the
// page is over the bounds above.
bool refillForm(std::string_view page, const RefillRequest& request, Text& out);

// A visitor's value as form markup: "<", ">", quotes and every "&" that
// begins no Slovenian letter's entity name escaped, so the value comes back
// byte for byte while its letters still meet the page's coding.
Markup formValue(std::string_view value);
