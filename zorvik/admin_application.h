// AdminApplication: the program object of zorvik, the administrator's pages
// for the settings file and the group description files. It checks the
// password and hands the request to the login page, the settings overview or
// the group details page.
#pragma once

#include <string_view>

#include "common/settings/catalog_group.h"
#include "common/settings/password_check.h"

class AdminApplication : public CatalogGroup {
 public:
  // Replaces the posted fields by the raw ones (see posted_fields.h), then
  // produces exactly one page.
  void run();
  // True when the posted password admits this request.
  bool admitted() const;
};
