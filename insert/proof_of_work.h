// The self-hosted proof of work (the proofOfWork option): a visitor's
// browser spends about a second finding a counter for a signed challenge,
// which costs a bot sending thousands of forms thousands of seconds, and no
// outside service sees the visitor.
//
// A challenge is a random salt, the difficulty in bits and the time it
// expires (seconds since 1970, 20 minutes on), signed with HMAC-SHA-256 by
// the group's key ("shop.grp" -> "shop.grp.pow.key", made once, mode 0600)
// over "salt:bits:expires". A solution is a counter for which
// SHA-256("salt:counter") begins with `bits` zero bits; the form posts it in
// the field kalderProof as
//
//     salt:bits:expires:signature:counter
//
// The field is never stored or mailed. A valid solution is spent once: the
// salts of spent ones are kept, with their expiry, in "shop.grp.pow.spent"
// (one "expires salt" line each, at most kMaxSpent) until they expire.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text/sha256.h"
#include "common/text/text.h"

class CatalogGroup;

inline constexpr char kProofField[] = "kalderProof";
inline constexpr long kChallengeSeconds = 20 * 60;

struct ProofChallenge {
  std::string salt;  // 32 lower-case hex digits
  long bits = 0;
  long expires = 0;
  std::string signature;  // 64 lower-case hex digits
};

// The challenge of `salt` signed with `key`.
ProofChallenge signedChallenge(std::string_view key, std::string_view salt, long bits, long now);
// {"salt":"...","bits":18,"expires":1718001200,"signature":"..."}
std::string challengeJson(const ProofChallenge& challenge);
// Whether `digest` begins with `bits` zero bits.
bool leadingZeroBits(const Sha256Digest& digest, long bits);

enum class ProofCheck { Valid, Missing, Malformed, BadSignature, Expired, TooEasy, NoWork };
// Checks a posted solution against `key` at `now`: its shape, its
// signature, its expiry, its difficulty (at least `minimumBits`) and its
// work. Whether it was spent already is the store's question.
ProofCheck checkProof(std::string_view solution, std::string_view key, long minimumBits, long now);
// The salt of a solution (its first part).
std::string_view proofSalt(std::string_view solution);

class SpentProofs {
 public:
  static constexpr size_t kMaxSpent = 20000;
  void read(std::string_view text);
  std::string text(long now) const;
  // Whether `salt` was spent; else notes it spent until `expires`. A store
  // holding kMaxSpent solutions still live at `now` takes no more: dropping
  // one before it expires would let it be spent again.
  bool spend(std::string_view salt, long expires, long now);

 private:
  struct Entry {
    long expires = 0;
    std::string salt;
  };
  std::vector<Entry> entries_;
};

// The group's key file, "shop.grp.pow.key".
Text proofKeyPath(const CatalogGroup& app);
// The group's key, made the first time; false when it can be neither read
// nor made.
bool loadProofKey(const CatalogGroup& app, std::string& key);

// Takes the field kalderProof out of the posted fields of `app` (always:
// it is never stored) and returns true when the group asks for a proof and
// this one is missing, invalid or spent.
bool proofFailed(CatalogGroup& app);

// The difficulty for the request's client: the group's bits, one more when
// its network has filled half of its rate limit, two more (four times the
// work) from three quarters on.
long challengeBits(CatalogGroup& app);
