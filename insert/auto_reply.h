// The mail to the visitor of a stored submission (the autoReply option,
// auto_reply_options.h): the group's template sent to the one address the
// named field holds, within the day's limits (auto_reply_count.h). Every
// path that stores a record a visitor should hear about calls it before the
// record's mails are queued, so the mail follows its record through the
// outbox (pending until stored, dropped with a failed store).
#pragma once

#include "common/mail/outbox.h"
#include "common/storing/record_store.h"
#include "common/storing/submission.h"
#include "common/text/list.h"

class CatalogGroup;

// Adds the mail for `submission` (its label taken) to `mails` when its form
// has an auto-reply, its template exists, the field holds exactly one mail
// address (visitor_address.h) and neither the address nor the group has had
// its mails of the day. Otherwise nothing changes: no mail, no count.
void addAutoReply(CatalogGroup& app, RecordStore& store, const Submission& submission,
                  List<OutboxMail>& mails);
