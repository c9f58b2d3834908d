// The status of insert's error answer to a script (JSON): the visitor's
// request at fault is 400, an unknown group 404, the site's own trouble
// (a file, the mail server, a template) 500.
#pragma once

#include "common/cgi/message_table.h"

// Null for a message that is the site's trouble: the default status.
const char* submissionErrorStatus(const MessageTable& message);
