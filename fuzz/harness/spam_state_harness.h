// The readers of the spam layers' hostile input: a posted proof of work
// (kalderProof) and the state files of the campaigns, the rates and the
// spent proofs, which a torn write may leave in any shape. A proof is never
// valid unless its work is done; a state file read and written again reads
// back as the same text, and stays within its bounds.
#pragma once

#include <string>
#include <string_view>

#include "fuzz/harness/fuzz_support.h"
#include "insert/campaign_copies.h"
#include "insert/proof_of_work.h"
#include "insert/submission_rate.h"

namespace fuzz {

inline constexpr char kProofKey[] = "0123456789abcdef0123456789abcdef";

inline std::string fuzzProof(std::string_view solution) {
  ProofCheck check = checkProof(solution, kProofKey, 1, 1000);
  if (check != ProofCheck::Valid) return "";
  // A forged signature can only pass with the key: a valid one is the
  // signed challenge of its salt.
  std::string_view salt = proofSalt(solution);
  std::string counter(solution.substr(solution.rfind(':') + 1));
  if (!leadingZeroBits(sha256(std::string(salt) + ":" + counter), 1))
    return "a proof valid without its work";
  return "";
}

// Read, written at `now` and read again, a state file gives the same text.
template <typename Table>
std::string rereads(Table first, Table second, std::string_view text, long now) {
  first.read(std::string(text));
  std::string written = first.text(now);
  second.read(written);
  if (second.text(now) != written) return "a state file that changes when read again";
  return "";
}

// Input: a first byte whose lowest two bits pick the reader, then its text.
inline std::string fuzzSpamState(std::string_view data) {
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  switch (selector & 3) {
    case 0: return fuzzProof(data);
    case 1: {
      CampaignDigests digests = campaignDigests(
          [&] {
            ParamList fields;
            fields.add("note", std::string(data), AddMode::Append);
            return fields;
          }(),
          "example.org");
      if (digests.text.view().find_first_of(" \n") != std::string_view::npos)
        return "a digest with a blank";
      return rereads(CampaignCopies(86400), CampaignCopies(86400), data, 1000);
    }
    case 2: {
      List<RateWindow> limits = {RateWindow{5, 60}, RateWindow{30, 3600}};
      return rereads(SubmissionRates(limits, {RateWindow{20, 60}}),
                     SubmissionRates(limits, {RateWindow{20, 60}}), data, 1000);
    }
    default: return rereads(SpentProofs(), SpentProofs(), data, 1000);
  }
}

}  // namespace fuzz
