// SubmitApplication: the program object of insert, which stores a posted form
// as a new record, mails the notifications and answers with the message page.
#pragma once

#include "common/settings/catalog_group.h"

class SubmitApplication : public CatalogGroup {
 public:
  void runSubmission();
};
