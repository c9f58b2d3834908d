// The download of one person's data: one ZIP archive, written as it is made,
// that holds "records.json" (every record found, its fields in UTF-8) and
// the uploaded files of each record as "<catalog>/<label>/fN.bin", numbered
// in the record's order: never under a name a visitor chose.
#pragma once

class ShowApplication;
class PersonSearch;

// The file name the download is offered under.
inline constexpr char kPersonZipName[] = "personal-data.zip";

// Sends the archive of what `search` finds. Without libarchive the request
// ends with an error page before anything is sent.
void exportPersonData(ShowApplication& app, PersonSearch& search);
