// Base64 (RFC 4648, with padding): encoded words and logins of the mail,
// webhook signatures and keys.
#pragma once

#include <optional>
#include <string_view>

#include "common/text/text.h"

Text base64Encode(std::string_view bytes);
// The bytes of `text`; none when it is not base64 (padding optional).
std::optional<Text> base64Decode(std::string_view text);
