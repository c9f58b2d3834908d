// A mail as its reader's program expects it: text in UTF-8 (entity names as
// letters, a visitor's bytes decoded from the charset the form was shown
// in), the body quoted-printable and header words outside ASCII as RFC 2047
// words, so the mail is 7-bit and needs nothing of the server beyond HELO.
#pragma once

#include <ctime>
#include <string_view>

#include "common/text/text.h"

// `text` in UTF-8: bytes that are not UTF-8 are read in `charset` (the one
// the form's page declared: "ISO-8859-2" is decoded as such, any other as
// ISO-8859-1), then entity names become their letters.
Text mailUtf8(std::string_view text, std::string_view charset);

// The body as quoted-printable lines with CR LF ends, none longer than 76.
Text quotedPrintable(std::string_view utf8);

// A header value: as it is when it is printable ASCII, else RFC 2047 words
// ("=?UTF-8?B?...?=") that never split a letter, each at most 75 long.
Text encodedWords(std::string_view utf8);

// The date as a Date header carries it: "Tue, 08 Dec 2026 22:40:00 +0000".
Text mailDate(std::time_t when);
