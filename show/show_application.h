// ShowApplication: the program object of show, the record viewer and
// exporter that the notification mails link to.
#pragma once

#include "common/settings/catalog_group.h"

class ShowApplication : public CatalogGroup {
 public:
  ShowApplication() : CatalogGroup(nullptr) {}
  void run();
};
