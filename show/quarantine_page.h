// The group's quarantine in the record viewer: the held-back submissions
// with the reason each was held, and the administrator's release (the
// record is stored in its catalog as if it had just been sent, with its
// original date, time and address, and its mails are sent) or deletion.
#pragma once

#include "common/cgi/markup.h"
#include "common/text/text.h"

class ShowApplication;

// The group page's button to the quarantine, with the number of records it
// holds; nothing when the group has no quarantine file.
Markup quarantineButton(ShowApplication& app);

// `action` is "release" or "delete" (of the record `label`); anything else
// lists the quarantine.
void writeQuarantinePage(ShowApplication& app, const Text& label, const Text& action);
