// SHA-256 (FIPS 180-4) and HMAC-SHA-256 (RFC 2104), small and self-contained:
// the audit log's chain and the hashed client addresses need them on
// ordinary requests, and loading libcrypto for that would cost every start.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using Sha256Digest = std::array<uint8_t, 32>;

// A digest fed in pieces:
//
//   Sha256 hash;
//   hash.update("abc");
//   std::string hex = toHex(hash.finish());
//
// REQUIRES: finish is called once; nothing is fed after it.
class Sha256 {
 public:
  Sha256();
  void update(std::string_view bytes);
  Sha256Digest finish();

 private:
  void compress(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> block_{};
  size_t blockLength_ = 0;
  uint64_t totalLength_ = 0;
};

Sha256Digest sha256(std::string_view bytes);
Sha256Digest hmacSha256(std::string_view key, std::string_view message);

// The digest in lower-case hex digits, 64 of them.
std::string toHex(const Sha256Digest& digest);
// Whether `text` is `length` lower-case hex digits, as toHex writes them.
bool isLowerHex(std::string_view text, size_t length);
