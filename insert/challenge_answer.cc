// The script and the challenges of the proof of work.
#include "insert/challenge_answer.h"

#include <ctime>

#include "common/access/confirm_token.h"
#include "common/cgi/json_answer.h"
#include "insert/method_refusal.h"
#include "insert/proof_of_work.h"
#include "insert/proof_script.h"

bool isChallengeRequest(const RequestContext& request) {
  Text method = request.variables.value("REQUEST_METHOD");
  return (method == "GET" || method == "HEAD") && request.queryNames("challenge");
}

void ChallengeAnswer::answer() {
  if (pathInfo().empty() || options.spam.proofBits <= 0) refuseMethod(*this);
  if (queryParams().value("challenge") == "script") {
    // The same text for every group and visitor: a browser may keep it.
    writeHeader("text/javascript; charset=utf-8", "Cache-Control: max-age=3600\n");
    if (method() != "HEAD") writeDirect(kProofScript);
    return;
  }
  writeChallenge();
}

void ChallengeAnswer::writeChallenge() {
  std::string key;
  if (!loadProofKey(*this, key)) fatal(messages::kCreateFailed, proofKeyPath(*this));
  Text salt = newConfirmToken();
  if (salt.empty()) fatal(messages::kCreateFailed, proofKeyPath(*this));
  long now = static_cast<long>(std::time(nullptr));
  ProofChallenge challenge = signedChallenge(key, salt.view(), challengeBits(*this), now);
  writeHeader(kJsonContentType, "Cache-Control: no-store\n");
  if (method() != "HEAD") writeDirect(challengeJson(challenge));
}
