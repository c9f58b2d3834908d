// Posted fields exactly as the browser sent them. The request layer stores
// posted values with quote-letter pairs ("c) expanded into entity names; the
// administration pages post back values they wrote themselves, and a value
// holding a double quote before c, s or z would change on every save, as a
// password holding one would no longer match. So these decode the raw request
// body again without the expansion: the one decoder of raw fields.
#pragma once

#include <string_view>

#include "common/text/param_list.h"
#include "common/text/text.h"

// Decodes "name=value" items separated by "&" into `fields`. Values keep
// every byte but carriage returns (a textarea posts CR LF line ends). As in
// the request layer, an item with an empty name or value is skipped and a
// repeated name keeps its first value as the current one.
void parseRawFields(std::string_view body, ParamList& fields);

// The current value of the field `name` (ASCII case ignored) as
// parseRawFields decodes it: its first non-empty value, or empty.
Text rawPostedField(std::string_view body, std::string_view name);
