// The group's quarantine in the record viewer: the held-back submissions
// with the reason each was held, and the administrator's release (the
// record is stored in its catalog as if it had just been sent, with its
// original date, time and address, and its mails are sent) or deletion.
#pragma once

#include "common/text/text.h"

class ShowApplication;

// `action` is "release" or "delete" (of the record `label`); anything else
// lists the quarantine.
void writeQuarantinePage(ShowApplication& app, const Text& label, const Text& action);
