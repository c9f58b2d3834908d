// Delivering the outbox of a home: in a detached process after a submission
// has been answered (or a mail is to be tried again), and from the server's
// command line (insert/mail_command.h). Either way at most one run at a time,
// and a run stops starting attempts after a bounded time.
#pragma once

#include "common/mail/outbox_delivery.h"
#include "common/settings/settings_file.h"
#include "common/text/text.h"

// The outbox folder of a home (ending in "/").
Text outboxFolder(const Text& home);

// What became of the record of a pending mail or delivery, looked up under
// its group's lock.
RecordFate recordFateOf(const SystemSettings& settings, const OutboxMail& mail);

// One run over the outbox of `home`, then over its webhook spool
// (webhook_run.h), with the settings of its kalder.ini;
// nothing when another run holds the lock. `everyWaiting` tries the waiting
// mails whose next try is not due yet too (the administrator's "now").
DeliveryCounts runOutbox(const Text& home, long long seconds, bool everyWaiting = false);

// Starts runOutbox in a process of its own that keeps none of the request's
// files open, so the web server ends the response without waiting for it.
void startDetachedOutboxRun(const Text& home);

// How long one run may start attempts.
inline constexpr long long kDetachedRunSeconds = 60;
inline constexpr long long kCommandRunSeconds = 240;
