// Why a submission is held back in the quarantine rather than stored: the
// checks of the group's spam options that need nothing but the request.
#pragma once

#include "common/text/text.h"

class CatalogGroup;

// The reason to quarantine the submission of `app`, or empty to store it:
// a filled honeypot field.
Text quarantineReason(CatalogGroup& app);
