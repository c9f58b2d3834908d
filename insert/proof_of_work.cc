// Signing, checking and spending the challenges of the proof of work.
#include "insert/proof_of_work.h"

#include <sys/random.h>

#include <algorithm>
#include <charconv>
#include <ctime>

#include "common/access/address_storage.h"
#include "common/access/password_check.h"
#include "common/files/state_file.h"
#include "common/settings/catalog_group.h"
#include "common/text/file_lines.h"
#include "insert/submission_rate.h"

namespace {

std::string signature(std::string_view key, std::string_view salt, long bits, long expires) {
  std::string message =
      std::string(salt) + ':' + std::to_string(bits) + ':' + std::to_string(expires);
  return toHex(hmacSha256(key, message));
}

// The five parts of "salt:bits:expires:signature:counter"; false for
// another count.
bool splitSolution(std::string_view solution, std::string_view (&parts)[5]) {
  for (int i = 0; i < 5; ++i) {
    size_t colon = i < 4 ? solution.find(':') : solution.size();
    if (colon == std::string_view::npos) return false;
    parts[i] = solution.substr(0, colon);
    solution.remove_prefix(std::min(colon + 1, solution.size()));
  }
  return solution.empty() && parts[4].find(':') == std::string_view::npos;
}

bool spendOnce(CatalogGroup& app, std::string_view salt, long expires) {
  LockedStateFile file;
  if (!file.open(app.groupPath + ".pow.spent")) return false;
  SpentProofs spent;
  spent.read(file.read(1 << 20));
  long now = static_cast<long>(std::time(nullptr));
  if (!spent.spend(salt, expires, now)) return false;
  // A store that cannot be saved would let the solution be spent again.
  return file.replace(spent.text(now));
}

}  // namespace

Text proofKeyPath(const CatalogGroup& app) { return app.groupPath + ".pow.key"; }

// The key file of address_storage.h: written whole, created once, mode 0600.
bool loadProofKey(const CatalogGroup& app, std::string& key) {
  return loadAddressKey(proofKeyPath(app), key);
}

ProofChallenge signedChallenge(std::string_view key, std::string_view salt, long bits, long now) {
  ProofChallenge challenge{std::string(salt), bits, now + kChallengeSeconds, {}};
  challenge.signature = signature(key, salt, bits, challenge.expires);
  return challenge;
}

std::string challengeJson(const ProofChallenge& challenge) {
  return "{\"salt\":\"" + challenge.salt + "\",\"bits\":" + std::to_string(challenge.bits) +
         ",\"expires\":" + std::to_string(challenge.expires) + ",\"signature\":\"" +
         challenge.signature + "\"}";
}

bool leadingZeroBits(const Sha256Digest& digest, long bits) {
  for (size_t i = 0; bits > 0; ++i, bits -= 8) {
    if (i >= digest.size()) return false;
    unsigned mask = bits >= 8 ? 0xFF : (0xFF00 >> bits) & 0xFF;
    if (digest[i] & mask) return false;
  }
  return true;
}

std::string_view proofSalt(std::string_view solution) {
  return solution.substr(0, solution.find(':'));
}

ProofCheck checkProof(std::string_view solution, std::string_view key, long minimumBits, long now) {
  if (solution.empty()) return ProofCheck::Missing;
  std::string_view parts[5];
  long bits = 0, expires = 0, counter = 0;
  if (solution.size() > 200 || !splitSolution(solution, parts) || !isLowerHex(parts[0], 32) ||
      !readWordLong(parts[1], bits) || !readWordLong(parts[2], expires) ||
      !isLowerHex(parts[3], 64) || !readWordLong(parts[4], counter) || counter < 0)
    return ProofCheck::Malformed;
  // Compared in full whatever differs, so that the time taken tells nothing.
  if (!tokenMatches(parts[3], signature(key, parts[0], bits, expires)))
    return ProofCheck::BadSignature;
  if (expires <= now) return ProofCheck::Expired;
  if (bits < minimumBits) return ProofCheck::TooEasy;
  std::string message = std::string(parts[0]) + ':' + std::string(parts[4]);
  if (!leadingZeroBits(sha256(message), bits)) return ProofCheck::NoWork;
  return ProofCheck::Valid;
}

void SpentProofs::read(std::string_view text) {
  entries_.clear();
  std::string_view line;
  for (size_t at = 0; takeLine(text, at, line);) {
    Entry entry;
    if (!readWordLong(takeWord(line), entry.expires)) continue;
    entry.salt = std::string(takeWord(line));
    // A spent salt was checked before it was written: printable, no blank.
    bool printable = std::all_of(entry.salt.begin(), entry.salt.end(),
                                 [](char c) { return c > ' ' && c < 0x7f; });
    if (!entry.salt.empty() && printable) entries_.push_back(std::move(entry));
  }
}

std::string SpentProofs::text(long now) const {
  std::string text;
  size_t skip = entries_.size() > kMaxSpent ? entries_.size() - kMaxSpent : 0;
  for (size_t i = skip; i < entries_.size(); ++i) {
    if (entries_[i].expires <= now) continue;
    text += std::to_string(entries_[i].expires) + ' ' + entries_[i].salt + '\n';
  }
  return text;
}

bool SpentProofs::spend(std::string_view salt, long expires, long now) {
  size_t live = 0;
  for (const Entry& entry : entries_) {
    if (entry.salt == salt) return false;
    if (entry.expires > now) ++live;
  }
  if (live >= kMaxSpent) return false;
  entries_.push_back(Entry{expires, std::string(salt)});
  return true;
}

bool proofFailed(CatalogGroup& app) {
  const Param* posted = app.postParams().find(kProofField);
  Text solution = posted ? posted->value : Text();
  app.postParams().removeIf(
      [](const Param& field) { return field.name.equalsIgnoreCase(kProofField); });
  long bits = app.options.spam.proofBits;
  if (bits <= 0) return false;
  std::string key;
  if (!loadProofKey(app, key)) return true;
  long now = static_cast<long>(std::time(nullptr));
  if (checkProof(solution.view(), key, bits, now) != ProofCheck::Valid) return true;
  long expires = 0;
  std::string_view parts[5];
  splitSolution(solution.view(), parts);
  readWordLong(parts[2], expires);
  return !spendOnce(app, parts[0], expires);
}

long challengeBits(CatalogGroup& app) {
  long bits = app.options.spam.proofBits;
  double filled = networkRateFilled(app);
  if (filled >= 0.75) return bits + 2;
  if (filled >= 0.5) return bits + 1;
  return bits;
}
