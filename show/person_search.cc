// Matching a person's text against every field of a group's records.
#include "show/person_search.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "common/catalog/quarantine_file.h"
#include "common/catalog/record_fields.h"
#include "common/cgi/raw_fields.h"
#include "common/mail/mail_text.h"
#include "common/mail/outbox_run.h"
#include "common/storing/pending_file.h"
#include "common/text/utf8.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

bool isPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '&'; });
}

// Most values are plain ASCII without an entity name: they are compared as
// they are, without a conversion. A value that is neither is turned into
// UTF-8 as a mail's text is, then folded.
bool valueMatches(const PersonQuery& query, std::string_view value) {
  if (isPlainAscii(value))
    return value.size() == query.folded.size() && equalsIgnoreCase(value, query.folded);
  return foldCase(mailUtf8(value, query.charset).view()) == query.folded;
}

Record heldRecord(const QuarantinedRecord& held) {
  Record record;
  for (int i = 0; i < kAutomaticFieldCount; ++i)
    record.push_back({Text(kItemAutomaticNames[i]), held.automatic.values[i]});
  for (const Param& field : held.fields) {
    record.push_back({field.name, field.value});
    for (const Text& value : field.further) record.push_back({field.name, value});
  }
  return record;
}

Record awaitingRecord(const PendingRecord& pending) {
  Record record;
  for (int i = 1; i < kAutomaticFieldCount; ++i)
    record.push_back({Text(kItemAutomaticNames[i]), pending.automatic.values[i]});
  for (const Param& field : pending.fields) {
    record.push_back({field.name, field.value});
    for (const Text& value : field.further) record.push_back({field.name, value});
  }
  return record;
}

bool ofThisGroup(const ShowApplication& app, const OutboxMail& mail) {
  return equalsIgnoreCase(mail.group.view(), app.groupName.view());
}

}  // namespace

PersonQuery postedPersonQuery(ShowApplication& app) {
  std::string_view body = app.rawBody().view();
  PersonQuery query;
  query.text = Text(trimBlanks(rawPostedField(body, "person").view()));
  query.field = rawPostedField(body, "field");
  if (query.text.length() > kMaxPersonText) app.fatal(showTexts::kPersonTooLong, kMaxPersonText);
  if (query.field.length() > ShowApplication::kMaxNameLength)
    app.fatal(showTexts::kPersonTooLong, ShowApplication::kMaxNameLength);
  query.charset = std::string(app.currentCharsetName());
  query.folded = foldCase(mailUtf8(query.text.view(), query.charset).view());
  return query;
}

bool matchesPerson(const PersonQuery& query, const Record& record) {
  if (query.folded.empty()) return false;
  for (const Field& field : record) {
    if (!query.field.empty() && !field.name.equalsIgnoreCase(query.field)) continue;
    if (valueMatches(query, field.value.view())) return true;
  }
  return false;
}

PersonSearch::PersonSearch(ShowApplication& app, PersonQuery query)
    : app_(app), query_(std::move(query)) {
  app_.catalogFiles().addAllCatalogs(files_);
}

void PersonSearch::eachRecord(const Found& found) {
  RecordReader reader(app_);
  List<Text> searched;
  for (const CatalogFile& file : files_) {
    if (std::find(searched.begin(), searched.end(), file.path) != searched.end()) continue;
    searched.push_back(file.path);
    searchFile(reader, file, found);
  }
  searchQuarantine(found);
  searched.clear();
  for (const CatalogFile& file : files_) {
    if (std::find(searched.begin(), searched.end(), file.path) != searched.end()) continue;
    searched.push_back(file.path);
    searchPending(file, found);
  }
}

void PersonSearch::searchPending(const CatalogFile& file, const Found& found) {
  forEachPending(pendingPath(file.path.view()), [&](const PendingRecord& pending) {
    Record record = awaitingRecord(pending);
    if (matchesPerson(query_, record)) {
      PersonRecord where{&file, file.name, pending.id(), 0, -1, false};
      where.pending = true;
      found(where, record);
    }
    return true;
  });
}

// A record found is handed on when the next record begins, so that its span
// is known (blank lines before the next record go with it).
void PersonSearch::searchFile(RecordReader& reader, const CatalogFile& file, const Found& found) {
  std::optional<std::pair<PersonRecord, Record>> pending;
  reader.walkFile(file, [&](const RecordPlace& place, const Record* record) {
    if (pending) {
      pending->first.end = place.offset;
      found(pending->first, pending->second);
      pending.reset();
    }
    if (record && matchesPerson(query_, *record))
      pending.emplace(PersonRecord{&file, file.name, place.label, place.offset, -1, false},
                      *record);
    return true;
  });
  if (pending) found(pending->first, pending->second);
}

void PersonSearch::searchQuarantine(const Found& found) {
  QuarantineReader reader(quarantinePath(app_.groupPath));
  QuarantinedRecord held;
  while (reader.next(held)) {
    Record record = heldRecord(held);
    if (!matchesPerson(query_, record)) continue;
    found(PersonRecord{nullptr, held.catalog, held.label(), 0, -1, true}, record);
  }
}

List<OutboxMail> PersonSearch::mails(const List<Text>& labels) const {
  List<OutboxMail> found;
  if (query_.folded.empty()) return found;
  for (OutboxMail& mail : Outbox(outboxFolder(app_.home())).mails()) {
    if (!ofThisGroup(app_, mail)) continue;
    bool ofRecord = std::find(labels.begin(), labels.end(), mail.label) != labels.end();
    bool toPerson = query_.field.empty() && valueMatches(query_, mail.recipient.view());
    if (ofRecord || toPerson) found.push_back(std::move(mail));
  }
  return found;
}
