// The pending file of a catalog: submissions of a group with double opt-in
// (opt_in_options.h) held until the address they name confirms them. They
// lie in item form beside the catalog file ("orders.dat" ->
// "orders.dat.pending", created with the private mode), each without a
// label and with the hash of its confirmation token (confirm_token.h) in
// place of the token:
//
//   &TOKEN==<64 hex digits>
//   &FORMID==order
//   &COMPUTER==192.0.2.7
//   &DATE==20270301
//   &TIME==1200
//   email==ana@example.org
//                           an empty line ends the record
//
// The file is changed under the group lock only.
#pragma once

#include <functional>
#include <string_view>

#include "common/catalog/record_fields.h"
#include "common/language/date_time.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct PendingRecord {
  Text tokenHash;
  AutomaticValues automatic;  // the form, address, date and time as sent
  ParamList fields;           // the posted fields
  Text text;                  // the record's bytes in the file
  bool mayReply = true;       // false when a spam rule scored it: no visitor mail

  // The date and time it was sent, from its automatic fields.
  DateTime sent() const;
  // How the record viewer names it, having no label: "pending-" and the
  // first 16 digits of its token's hash (never the token itself).
  Text id() const;
  // Whether its link no longer holds on the day `today` (daysSinceEpoch)
  // when links stay valid `days` days.
  bool expiredOn(long today, long days) const;
};

Text pendingPath(std::string_view catalogPath);

// The bytes of a held record.
Text pendingRecordText(std::string_view tokenHash, const AutomaticValues& automatic,
                       const ParamList& posted, bool mayReply = true);

// Calls `visit` for each record of the file at `path` in order, until it
// returns false. False when the file cannot be read through; a missing file
// has no records.
bool forEachPending(const Text& path, const std::function<bool(const PendingRecord&)>& visit);

// Replaces the file by its records for which `keep` is true, read and
// written a record at a time; a file that loses every record is removed.
// False when it cannot be read through or written (it is then unchanged).
bool rewritePending(const Text& path, const std::function<bool(const PendingRecord&)>& keep);

// Removes the records whose links expired on `today` (daysSinceEpoch);
// their number, or -1 when the file could not be rewritten.
long dropExpiredPending(const Text& path, long today, long days);
