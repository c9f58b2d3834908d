// IndexApplication: the program object of lunoder, which rebuilds the index
// files of a group from its catalog files.
#pragma once

#include "common/settings/catalog_group.h"

class IndexApplication : public CatalogGroup {
 public:
  void buildIndexes();
};
