// How insert answers a script or a form besides its answer page: the JSON
// object of a stored submission, the redirect that the group's options name
// for a form, and the refusal of a post from another site.
#pragma once

#include <string_view>

#include "common/cgi/message_table.h"
#include "common/settings/catalog_group.h"

namespace messages {
inline constexpr MessageTable kBadRedirect{
    "The address of the setting <tt>%s</tt> in the options of the group is not allowed (it must "
    "begin with http://, https:// or a single /, without blanks)",
    "Naslov nastavitve <tt>%s</tt> v mo&zcaron;nostih skupine ni dovoljen (za&ccaron;eti se mora "
    "s http://, https:// ali eno /, brez presledkov)"};
}  // namespace messages

// Ends the request with 403 when the group names allowed origins and the
// post comes from another site (see originMayPost); nothing is stored.
void refuseForeignOrigin(CatalogGroup& app);

// The address to send the visitor to after storing a submission of
// `formName`, empty for the answer page. An address the options name but
// that is not acceptable ends the request, naming its setting.
Text checkedRedirect(CatalogGroup& app, std::string_view formName);

// Whether an address of the options may be a redirect's: "http://" or
// "https://" and more, or a path that begins with a single "/"; no blanks,
// control bytes or non-ASCII bytes, no "\" (some browsers read "/\" as "//").
bool isAcceptableRedirect(std::string_view address);
// `address` with "label=<label>" added to its query (percent-encoded),
// before a fragment.
Text redirectLocation(std::string_view address, std::string_view label);
// `address` with "pending=1" added instead: a submission held until its
// address confirms it (opt_in.h).
Text pendingLocation(std::string_view address);

// The answers to a stored submission.
void answerJson(CgiPage& page, std::string_view label, std::string_view catalog);
void answerRedirect(CgiPage& page, const Text& location);
