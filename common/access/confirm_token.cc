// Confirmation tokens: made from getrandom, kept as their SHA-256.
#include "common/access/confirm_token.h"

#include <sys/random.h>

#include <cstdint>

#include "common/text/sha256.h"

Text newConfirmToken() {
  uint8_t bytes[kConfirmTokenLength / 2];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return Text();
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string token;
  for (uint8_t byte : bytes) {
    token += kDigits[byte >> 4];
    token += kDigits[byte & 15];
  }
  return Text(token);
}

bool isConfirmTokenShaped(std::string_view text) { return isLowerHex(text, kConfirmTokenLength); }

Text confirmTokenHash(std::string_view token) { return Text(toHex(sha256(token))); }
