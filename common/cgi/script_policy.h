// The script policy of the pages that hold the password or help it on: the
// header lines that keep a page out of other sites' frames, let the browser
// run no script but the one inline script the program itself wrote into the
// page, and forbid reading an answer as anything but its content type.
#pragma once

#include <string_view>

#include "common/text/text.h"

// The Content-Security-Policy line and the X-Content-Type-Options line, each
// ended by a line feed. `scriptSource` admits the page's one inline script
// ("'sha256-<base64 digest>'" of the text between its tags, worked out when
// the program is built), or is empty for a page without a script
// ("script-src 'none'").
Text scriptPolicyLines(std::string_view scriptSource);
