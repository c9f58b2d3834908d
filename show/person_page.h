// The viewer's pages of one person's data: the form that asks for the text,
// the records and mails found, the confirmation of their erasure and the
// erasure itself; the download of everything found is person_export.h.
// The text and the field travel in posted bodies only, never in an address,
// so no access log or Referer keeps them.
#pragma once

class ShowApplication;

// Whether the request posts a person's text (the field "person").
bool postsPerson(ShowApplication& app);
// Whether the address asks for the search form ("find=person").
bool asksForPersonForm(const ShowApplication& app);
// Ends the request with status 400 when the address carries "person" or
// "field": they belong in the body, and an address that holds them was
// logged already.
void refusePersonInAddress(ShowApplication& app);

// The search form alone.
void writePersonForm(ShowApplication& app);
// Answers a request that posts "person": the ZIP download ("format=zip"),
// the confirmation of the erasure ("eraseperson=1"), the erasure of the
// records it confirmed ("eraseperson=2" with "labels", "held" and
// "mails"), or the list of what was found.
void answerPersonRequest(ShowApplication& app);
