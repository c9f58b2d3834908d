// The quarantine of a group: submissions held back from the catalogs (a
// filled honeypot field, say) until the administrator releases or deletes
// them. They lie in item form in one file beside the group file
// ("shop.grp" -> "shop.grp.quarantine"), each with the catalog it was meant
// for and why it was held; their uploads lie beside it as any catalog's do.
// The file is changed under the group lock only.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>

#include "common/catalog/line_source.h"
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

// The records of a quarantine file, one at a time: a piece of the file and
// one record are held, however large the file grows.
class QuarantineReader {
 public:
  // A missing file has no records.
  explicit QuarantineReader(const Text& path);
  ~QuarantineReader();
  QuarantineReader(const QuarantineReader&) = delete;
  QuarantineReader& operator=(const QuarantineReader&) = delete;

  // The next record; false at the end, and at a malformed line, which ends
  // the reading. Records without a label are passed over.
  bool next(QuarantinedRecord& record);

  static constexpr size_t kPieceSize = 64 * 1024;

 private:
  std::FILE* file_ = nullptr;
  std::unique_ptr<BlockLines> lines_;
};

// Replaces the file by its records for which `keep` is true, read and
// written a record at a time; false when it cannot be written.
bool rewriteQuarantine(const Text& path, const std::function<bool(const QuarantinedRecord&)>& keep);

// Removes the records sent more than `days` days before `now`, with their
// uploads; false when the file had to change and could not be written.
// Records are appended as they come, so the first tells whether any is due:
// only then is the file read through.
bool dropExpiredQuarantine(const Text& groupPath, const DateTime& now, long days);
// Removes the upload folder of the quarantined record `label`, taking its
// bytes off the group's upload total.
void removeQuarantineUploads(const Text& groupPath, std::string_view label);

// The next label of the quarantine's own counter, with the group's label
// prefix; empty when the counter cannot be saved.
Text takeQuarantineLabel(const Text& groupPath, const Text& labelPrefix);
