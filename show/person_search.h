// Finding one person's data in a group, as a site must when a person asks
// for it or for its erasure: every record of every catalog (each period of
// a series), every record held in the quarantine or awaiting its
// confirmation (pending_file.h) and every mail not yet
// sent in which a field equals the text the administrator posted, letter
// case ignored. Catalogs are read a record at a time, never whole; only the
// records found are kept.
#pragma once

#include <functional>
#include <string>

#include "common/catalog/catalog_file.h"
#include "common/mail/outbox.h"
#include "common/text/list.h"
#include "common/text/text.h"
#include "show/record_reader.h"

class ShowApplication;

// What is searched for: the posted fields "person" (the text, an e-mail
// address as a rule) and "field" (a field's name; empty: any field).
struct PersonQuery {
  Text text;            // as posted, blanks around it dropped
  Text field;           // as posted
  std::string charset;  // of stored values that are not UTF-8
  std::string folded;   // the text in UTF-8 with letter case folded
};

// The longest text and field name searched for, in bytes.
inline constexpr long kMaxPersonText = 1000;

// The query from the posted fields, with stored values read in the charset
// of the page's language (as mails decode them). Text longer than
// kMaxPersonText or a field name longer than the viewer's names ends the
// request; empty text is a query for nothing.
PersonQuery postedPersonQuery(ShowApplication& app);

// Whether a field of `record` (the field `query.field` when one is named,
// ASCII case ignored) equals the text: both in UTF-8 (entity names as their
// letters), letter case folded.
bool matchesPerson(const PersonQuery& query, const Record& record);

// One record found, with where it lies.
struct PersonRecord {
  const CatalogFile* file = nullptr;  // its catalog file; null when held
  Text catalog;       // the catalog file's name, or the catalog a held record was meant for
  Text label;         // empty for a record stored without one
  long offset = 0;    // in its catalog file
  long end = -1;      // where the next record begins; -1: at the end of the file
  bool held = false;  // in the quarantine
  // Awaiting its confirmation in the pending file beside `file`; `label` is
  // then its id (PendingRecord::id).
  bool pending = false;
};

// The search over one group. The application must outlive it, and the
// records' files live as long as it does.
class PersonSearch {
 public:
  using Found = std::function<void(const PersonRecord& found, const Record& record)>;

  PersonSearch(ShowApplication& app, PersonQuery query);

  // Calls `found` for each record that matches: the catalogs in the group's
  // order (a series latest period first), each file in file order, then the
  // quarantine, then the pending files in the catalogs' order. A catalog file that two catalogs
  // name is read once.
  void eachRecord(const Found& found);
  // The group's mails not yet sent that belong to one of `labels` (records
  // found, whose content they hold) or, when no field is named, whose
  // recipient is the text; oldest first, bodies unread.
  List<OutboxMail> mails(const List<Text>& labels) const;

  const PersonQuery& query() const { return query_; }
  const CatalogFileList& files() const { return files_; }

 private:
  void searchFile(RecordReader& reader, const CatalogFile& file, const Found& found);
  void searchQuarantine(const Found& found);
  void searchPending(const CatalogFile& file, const Found& found);

  ShowApplication& app_;
  PersonQuery query_;
  CatalogFileList files_;
};
