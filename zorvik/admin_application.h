// AdminApplication: the program object of zorvik, the administrator's pages
// for the settings file and the group description files. It admits the
// request (see common/access/admin_access.h) and hands it to the login
// page, the settings overview or the group details page.
#pragma once

#include <string_view>

#include "common/access/password_check.h"
#include "common/settings/catalog_group.h"

class AdminApplication : public CatalogGroup {
 public:
  // The header waits for the admission, which may answer with a status.
  explicit AdminApplication(const RequestContext& context) : CatalogGroup(context, nullptr) {}
  AdminApplication() : AdminApplication(RequestContext::fromProcess()) {}
  // Replaces the posted fields by the raw ones (see common/cgi/raw_fields.h), then
  // produces exactly one page.
  void run();
};
