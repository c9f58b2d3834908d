// The token of a confirmation link (double opt-in): 128 random bits as 32
// lower-case hex digits. Only its hash is kept on disk, so whoever reads
// the files cannot confirm for the visitor; the link in the mail is the one
// place the token itself lies.
#pragma once

#include <string_view>

#include "common/text/text.h"

inline constexpr size_t kConfirmTokenLength = 32;

// A fresh token; empty text when the system gave no random bytes.
Text newConfirmToken();
// Whether `text` can be a token: exactly kConfirmTokenLength hex digits, in
// lower case as newConfirmToken writes them. Checked before any lookup.
bool isConfirmTokenShaped(std::string_view text);
// The hash kept in place of the token: SHA-256, 64 lower-case hex digits.
Text confirmTokenHash(std::string_view token);
