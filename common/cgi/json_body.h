// Decoding an application/json body into fields: a strict parser of one JSON
// object whose values are strings, numbers, booleans, null or arrays of those.
// Everything else (nesting, another top-level value, invalid JSON, a lone
// surrogate escape) is Malformed; nothing is ever nested deeper than an
// array in the object, so no input can make the parser recurse.
#pragma once

#include <string_view>

#include "common/cgi/decoded_fields.h"

//   {"name": "Ana", "item": ["a", "b"], "count": 2, "gift": true, "note": null}
//   -> name=Ana, item=a, item=b, count=2, gift=true; null is an empty value,
//      which like an empty urlencoded field is no field at all.
// Numbers keep the digits as written; \uXXXX escapes (surrogate pairs too)
// become UTF-8, other bytes of strings are kept as they arrive.
Refusal parseJsonBody(std::string_view body, DecodedFields& fields);
