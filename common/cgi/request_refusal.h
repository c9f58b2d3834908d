// Why CgiRequest refused a request while decoding it, and the answer to each
// reason: a status and an error page in the request's language. Nothing of a
// refused request has been kept, so nothing is stored or mailed.
#pragma once

#include "common/cgi/message_table.h"

class CgiPage;

enum class Refusal {
  None,             // decoded; the program may do its work
  TooLarge,         // over a limit on fields, names, values or the body: 413
  UnsupportedType,  // a body of a content type no form sends: 415
  FileUpload,       // a file chosen in a form: 415 until uploads are stored
  Malformed,        // a multipart or JSON body that does not parse: 400
};

namespace messages {
inline constexpr MessageTable kRequestTooLarge{
    "The form sent more than the site accepts (too many fields, or a field too long)",
    "Obrazec je poslal ve&ccaron;, kot stran sprejme (preve&ccaron; polj ali predolgo polje)"};
inline constexpr MessageTable kUnsupportedBodyType{
    "The form was sent in a way the site does not accept (an unsupported content type)",
    "Obrazec je bil poslan na na&ccaron;in, ki ga stran ne sprejme (nepodprta vrsta vsebine)"};
inline constexpr MessageTable kFileUploadRefused{
    "This form cannot receive files: send it without the chosen file",
    "Ta obrazec ne more sprejeti datotek: po&scaron;ljite ga brez izbrane datoteke"};
inline constexpr MessageTable kMalformedBody{
    "The form's data arrived damaged or incomplete; please send the form again",
    "Podatki obrazca so prispeli po&scaron;kodovani ali nepopolni; prosimo, po&scaron;ljite "
    "obrazec znova"};
}  // namespace messages

// Ends the request with the page of its refusal; does nothing for one that
// was decoded. Called once the page layer knows the language and the
// application's page frame, before the program does any work.
void refuseRequest(CgiPage& page);
