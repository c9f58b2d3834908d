// insert's answers for the proof of work (proof_of_work.h) of a group with
// proofOfWork: GET insert.exe/<group>?challenge=script is the script a form
// page loads (proof_script.h), ?challenge=1 a fresh signed challenge as
// JSON, never cached. Scripts of the sites the group allows may read both;
// a group without the option refuses them as any GET (405).
#pragma once

#include "common/settings/catalog_group.h"

// True for a GET or HEAD whose query names "challenge".
bool isChallengeRequest(const RequestContext& request);

class ChallengeAnswer : public CatalogGroup {
 public:
  explicit ChallengeAnswer(const RequestContext& context)
      : CatalogGroup(context, nullptr, ScriptAccess{}) {}
  void answer();

 private:
  void writeChallenge();
};
