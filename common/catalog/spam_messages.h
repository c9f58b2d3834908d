// The messages of the spam defences.
#pragma once

#include "common/cgi/message_table.h"

namespace spamMessages {
inline constexpr MessageTable kTooManySubmissions{
    "Too many submissions from your address. Please wait a little and send the form again.",
    "Preve&ccaron; oddaj z va&scaron;ega naslova. Prosimo, po&ccaron;akajte malo in obrazec "
    "po&scaron;ljite znova."};
inline constexpr MessageTable kQuarantineUnwritable{"Cannot write the quarantine <tt>%s</tt>",
                                                    "Ne morem pisati karantene <tt>%s</tt>"};
inline constexpr MessageTable kQuarantineFull{
    "Too many held-back submissions are waiting for review. Please try again later.",
    "Preve&ccaron; zadr&zcaron;anih oddaj &ccaron;aka na pregled. Prosimo, poskusite znova "
    "pozneje."};
}  // namespace spamMessages
