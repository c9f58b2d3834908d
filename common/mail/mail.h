// The messages of mail notifications and the sender of a mail whose template
// names none. Mails travel through the outbox (outbox.h, mail_delivery.h).
#pragma once

#include "common/settings/cgi_application.h"

namespace messages {
inline constexpr MessageTable kMailError{"Mail Error: %s",
                                         "Napaka pri po&scaron;iljanju po&scaron;te: %s"};
inline constexpr MessageTable kOutboxUnwritable{
    "the notification cannot be written to the outbox",
    "obvestila ni mogo&ccaron;e zapisati v odhodno po&scaron;to"};
}  // namespace messages

// "kalder@" and the local host's canonical name, or its plain name when the
// name does not resolve ("localhost" when it has none): the sender of a
// mail whose template names none.
Text localSenderAddress();
