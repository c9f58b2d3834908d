// Submission: one record on its way into a catalog, as a value. insert builds
// it from a request, the quarantine release from a held record; storing, the
// answer's variables and the notifications all read it, and none of them
// reads the request for it.
#pragma once

#include "common/catalog/catalog_file.h"
#include "common/catalog/record_fields.h"
#include "common/catalog/upload_entry.h"
#include "common/language/date_time.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct Submission {
  Text formName;
  CatalogFile target;
  Text label;  // empty until it is taken under the group lock
  Text refLabel;
  ParamList fields;           // the posted fields, as the record keeps them
  List<UploadEntry> uploads;  // the files its default mail lists
  DateTime sent;              // the record's date and time
  Text clientAddress;         // the record's computer
  // The request's language ("eng", "slo") that an item record keeps as
  // &FORMLANGUAGE after its automatic fields; empty: none (the default).
  Text language;

  AutomaticValues automatic() const {
    return automaticValues(label, formName, clientAddress, sent, refLabel);
  }
};
