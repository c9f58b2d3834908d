// Why CgiRequest refused a request while decoding it, and the answer to each
// reason: a status and an error page in the request's language. Nothing of a
// refused request has been kept, so nothing is stored or mailed.
#pragma once

#include <string_view>

#include "common/cgi/message_table.h"

class CgiPage;

enum class Refusal {
  None,             // decoded; the program may do its work
  TooLarge,         // over a limit on fields, names, values or the body: 413
  UnsupportedType,  // a body of a content type no form sends: 415
  FileUpload,       // a file chosen in a form whose group takes none: 415
  FileEnding,       // a file whose name ends in an ending the group does not take: 415
  FileTooLarge,     // a file, or a submission's files, over the group's limits: 413
  UploadSpaceFull,  // the group's uploads would outgrow their space on disk: 413
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
inline constexpr MessageTable kFileEndingRefused{
    "The site does not accept files of this kind; it accepts files ending in: %s",
    "Stran ne sprejema datotek te vrste; sprejema datoteke s kon&ccaron;nicami: %s"};
inline constexpr MessageTable kFileTooLarge{
    "A file sent with the form is too large: at most %s a file and %s for all the files "
    "of the form",
    "Datoteka, poslana z obrazcem, je prevelika: najve&ccaron; %s za datoteko in %s za vse "
    "datoteke obrazca"};
inline constexpr MessageTable kUploadSpaceFull{
    "The site's space for files is full; please send the form without files or try again later",
    "Prostor strani za datoteke je poln; po&scaron;ljite obrazec brez datotek ali poskusite "
    "znova pozneje"};
inline constexpr MessageTable kMalformedBody{
    "The form's data arrived damaged or incomplete; please send the form again",
    "Podatki obrazca so prispeli po&scaron;kodovani ali nepopolni; prosimo, po&scaron;ljite "
    "obrazec znova"};
}  // namespace messages

// The refusal's name in the metrics ("size", "content_type", ...); empty
// for None.
std::string_view refusalName(Refusal why);

// Ends the request with the page of its refusal; does nothing for one that
// was decoded. The pages of refused files name what the group accepts:
// `acceptedEndings` ("pdf, png") and the two size limits ("10 MiB"). Called once the page layer
// knows the language and the application's page frame, before the program does any work.
void refuseRequest(CgiPage& page);
struct UploadLimitTexts {
  std::string_view acceptedEndings, maxFile, maxTotal;
};
void refuseRequest(CgiPage& page, const UploadLimitTexts& limits);
