// AdminApplication: the program object of zorvik, the administrator's pages
// for the settings file and the group description files.
#pragma once

#include "common/settings/catalog_group.h"

class AdminApplication : public CatalogGroup {
 public:
  void run();
};
