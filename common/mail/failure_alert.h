// The administrator's digest of mails that do not arrive ("alertHours=N" in
// the "[GENERAL]" section of kalder.ini): a mail that failed for good or has
// waited longer than kAlertWait is listed, with a link to its record in the
// viewer, in one mail to `administrator` at most every N hours, and only
// when the list holds a mail the previous digest did not. A digest belongs
// to no group, and mails of no group are never listed: a digest that fails
// is never reported by the next.
//
// The outbox's "alert.stamp" holds the time of the last digest, then the ids
// it listed, a line each:
//
//     1796817600
//     20261209115900.123456.k3J9xq2a
#pragma once

#include "common/mail/outbox.h"
#include "common/settings/settings_file.h"
#include "common/text/list.h"
#include "common/text/text.h"

inline constexpr long long kAlertWait = 24LL * 3600;
// A digest lists at most this many mails and counts the rest.
inline constexpr size_t kMaxAlertedMails = 200;

struct AlertSettings {
  long hours = 0;  // 0: no digests
  Text administrator;
  // The record viewer's address, "http://<serverName>/cgi-bin/show.exe"
  // unless "viewerAddress" names another.
  Text viewer;
  Text serverName;  // the domain of the digest's Message-ID
};

// The digest settings of kalder.ini; alertHours and viewerAddress are keys
// the settings reader keeps as they are written.
AlertSettings alertSettingsOf(const SystemSettings& settings);

// Whether `mail` belongs in a digest at `now`.
bool needsAlert(const OutboxMail& mail, long long now);

// The body of a digest listing `mails`: group, catalog, label, state,
// recipient, the last reply and the link to the record, a block each.
Text digestBody(const List<OutboxMail>& mails, const Text& viewer);

// Puts a digest in the outbox (waiting) when one is due at `now`; true when
// it did. REQUIRES: the RunnerLock.
bool queueFailureDigest(Outbox& outbox, const AlertSettings& settings, long long now);
