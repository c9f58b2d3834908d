// The notifications of records as the viewer shows them: each mail of a
// record (waiting, sent or failed, with the server's reply), the group's
// count of waiting and failed mails, and the administrator's retry or drop
// of a failed mail.
#pragma once

#include "common/cgi/markup.h"
#include "common/text/list.h"
#include "common/text/text.h"

class ShowApplication;

// The table of the mails of the record `label`; nothing when it has none.
Markup recordMailTable(ShowApplication& app, const Text& label);

// A time of the outbox or the webhook spool (seconds since the epoch) as
// their tables show it: local time, to the minute.
Text spoolTime(long long seconds);
// "Mails waiting: N, failed: M" for the group; nothing when both are 0.
Markup groupMailCounts(ShowApplication& app);
// Applies a retry or drop that the request posts (fields "mail", the mail's
// id, and "mailaction", "retry" or "drop") to a failed or waiting mail of the
// record `label`; anything else is ignored.
void applyMailAction(ShowApplication& app, const Text& label);
