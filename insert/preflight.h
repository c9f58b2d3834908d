// insert's answer to a browser's preflight (OPTIONS) before a script of
// another site posts: 204 with the CORS lines when the group allows that
// origin, else the refusal of every method but POST (405).
#pragma once

#include "common/settings/catalog_group.h"

// True when the request's method is exactly "OPTIONS".
bool isPreflightRequest(const RequestContext& request);

class Preflight : public CatalogGroup {
 public:
  explicit Preflight(const RequestContext& context)
      : CatalogGroup(context, nullptr, ScriptAccess{}) {}
  void answer();
};
