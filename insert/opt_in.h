// Double opt-in in insert (opt_in_options.h): a submission of such a group
// is held in its catalog's pending file (pending_file.h) and a mail with a
// confirmation link goes to the address it names; the link's page shows a
// button, whose POST stores the record. Mail scanners that open links only
// ever see the button. The texts of its pages and its built-in mail.
#pragma once

#include "common/cgi/message_table.h"
#include "common/cgi/request_context.h"

namespace messages {
inline constexpr MessageTable kOptInDelimited{
    "The option <tt>confirmField</tt> of the group needs catalogs in the item form; this group "
    "stores delimited records",
    "Mo&zcaron;nost <tt>confirmField</tt> skupine zahteva kataloge v obliki postavk; ta skupina "
    "shranjuje zapise, lo&ccaron;ene z znaki"};
inline constexpr MessageTable kOptInAddress{
    "The field <tt>%s</tt> must hold exactly one e-mail address (such as name@example.org, "
    "without a name, list or line break); nothing was stored",
    "Polje <tt>%s</tt> mora vsebovati natanko en e-po&scaron;tni naslov (na primer "
    "ime@example.org, brez imena, seznama ali preloma vrstice); ni&ccaron;esar nismo shranili"};
inline constexpr MessageTable kOptInFiles{
    "Files cannot be sent with a form that is stored only once its address confirms it",
    "Datotek ni mogo&ccaron;e poslati z obrazcem, ki se shrani &scaron;ele po potrditvi "
    "naslova"};
inline constexpr MessageTable kConfirmTitle{"Confirm your submission", "Potrdite oddajo"};
inline constexpr MessageTable kConfirmPrompt{
    "Press the button to confirm the form you sent. Until then it is not stored.",
    "Za potrditev poslanega obrazca pritisnite gumb. Do takrat ni shranjen."};
inline constexpr MessageTable kConfirmButton{"Confirm", "Potrdi"};
inline constexpr MessageTable kConfirmedTitle{"Submission confirmed", "Oddaja potrjena"};
inline constexpr MessageTable kConfirmedText{
    "Thank you: your submission is confirmed and stored under the label <b>%s</b>.",
    "Hvala: va&scaron;a oddaja je potrjena in shranjena z oznako <b>%s</b>."};
inline constexpr MessageTable kLinkUnknownTitle{"Link not valid", "Povezava ni veljavna"};
inline constexpr MessageTable kLinkUnknown{
    "This confirmation link is not known or was used already. Nothing was changed.",
    "Ta povezava za potrditev ni znana ali je bila &zcaron;e uporabljena. Ni&ccaron;esar nismo "
    "spremenili."};
inline constexpr MessageTable kLinkExpiredTitle{"Link expired", "Povezava je potekla"};
inline constexpr MessageTable kLinkExpired{
    "This confirmation link has expired. Nothing was stored; please send the form again.",
    "Ta povezava za potrditev je potekla. Ni&ccaron;esar nismo shranili; prosimo, po&scaron;ljite "
    "obrazec znova."};
}  // namespace messages

// Whether the request follows a confirmation link: its query names
// "confirm". Such a request is answered whatever its method.
bool isConfirmationRequest(const RequestContext& request);
