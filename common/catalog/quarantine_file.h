// The quarantine of a group: submissions held back from the catalogs (a
// filled honeypot field, say) until the administrator releases or deletes
// them. They lie in item form in one file beside the group file
// ("shop.grp" -> "shop.grp.quarantine"), each with the catalog it was meant
// for and why it was held; their uploads lie beside it as any catalog's do.
// The file is changed under the group lock only.
#pragma once

#include <string_view>

#include "common/catalog/record_fields.h"
#include "common/language/date_time.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct QuarantinedRecord {
  AutomaticValues automatic;  // label, form, address, date and time as sent
  Text catalog;               // the catalog (series member) it was meant for
  Text reason;
  ParamList fields;  // the posted fields
  Text text;         // the record's bytes in the file

  const Text& label() const { return automatic[AutomaticField::Label]; }
  // The date and time it was sent, from its automatic fields.
  DateTime sent() const;
};

Text quarantinePath(const Text& groupPath);
Text quarantineCounterPath(const Text& groupPath);

// The bytes of a quarantined record.
Text quarantineRecordText(const AutomaticValues& automatic, std::string_view catalog,
                          std::string_view reason, const ParamList& posted);

// The records of a quarantine file's bytes; malformed lines end the reading.
List<QuarantinedRecord> parseQuarantine(std::string_view content);
// The records of the file at `path`; none when it does not exist.
List<QuarantinedRecord> readQuarantine(const Text& path);
// Replaces the file by `records`; false when it cannot be written.
bool writeQuarantine(const Text& path, const List<QuarantinedRecord>& records);

// Removes the records sent more than `days` days before `now`, with their
// uploads; false when the file had to change and could not be written.
bool dropExpiredQuarantine(const Text& groupPath, const DateTime& now, long days);
// Removes the upload folder of the quarantined record `label`.
void removeQuarantineUploads(const Text& groupPath, std::string_view label);

// The next label of the quarantine's own counter, with the group's label
// prefix; empty when the counter cannot be saved.
Text takeQuarantineLabel(const Text& groupPath, const Text& labelPrefix);

// Days since 1970-01-01 of a calendar date.
long daysSinceEpoch(int year, int month, int day);
