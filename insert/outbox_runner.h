// Delivering the outbox of a home from insert: in a detached process after a
// submission has been answered, and from the server's command line (for cron
// or a systemd timer):
//
//     insert.exe --flush-mail [--home DIR]
//
// Either way at most one run at a time, and a run stops starting attempts
// after a bounded time.
#pragma once

#include "common/mail/outbox_delivery.h"
#include "common/text/text.h"

// The outbox folder of a home (ending in "/").
Text outboxFolder(const Text& home);

// One run over the outbox of `home` with the settings of its kalder.ini;
// nothing when another run holds the lock.
DeliveryCounts runOutbox(const Text& home, long long seconds);

// Starts runOutbox in a process of its own that keeps none of the request's
// files open, so the web server ends the response without waiting for it.
void startDetachedOutboxRun(const Text& home);

// The command line; returns the exit status (0 done, 1 the settings could
// not be read, 2 an unknown command).
int runMailCommand(int argc, char** argv);

// How long one run may start attempts.
inline constexpr long long kDetachedRunSeconds = 60;
inline constexpr long long kCommandRunSeconds = 240;
