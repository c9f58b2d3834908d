// One person's records and mails, and their erasure after a confirmation.
#include "show/person_page.h"

#include <algorithm>
#include <map>

#include "common/access/audit_action.h"
#include "common/catalog/quarantine_file.h"
#include "common/catalog/spam_messages.h"
#include "common/cgi/raw_fields.h"
#include "common/files/group_lock.h"
#include "common/mail/outbox_run.h"
#include "common/mail/reply_counter.h"
#include "common/mail/visitor_address.h"
#include "common/storing/pending_file.h"
#include "common/webhook/webhook_spool.h"
#include "show/catalog_pages.h"
#include "show/person_export.h"
#include "show/person_search.h"
#include "show/record_erasure.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

// The catalog column of the log of deletions for a record erased from the
// quarantine.
constexpr char kHeldCatalogName[] = "(quarantine)";

// A record found, as the pages list it.
struct FoundRow {
  PersonRecord where;
  Text date, time;
};

// What the search found: the records in the order met, then the mails.
struct Findings {
  List<FoundRow> rows;
  List<OutboxMail> mails;
  List<Text> labels;   // of the catalogs' records found
  List<Text> held;     // of the quarantine's records found
  List<Text> pending;  // ids of the records found awaiting confirmation
  long unlabelled = 0;
};

bool holds(const List<Text>& list, const Text& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

Findings findAll(PersonSearch& search) {
  Findings findings;
  search.eachRecord([&](const PersonRecord& where, const Record& record) {
    findings.rows.push_back({where, fieldValue(record, "&date"), fieldValue(record, "&time")});
    if (where.label.empty())
      ++findings.unlabelled;
    else if (where.pending)
      findings.pending.push_back(where.label);
    else
      (where.held ? findings.held : findings.labels).push_back(where.label);
  });
  findings.mails = search.mails(findings.labels);
  return findings;
}

// The mails that belong to no record found: those the erasure removes by
// their own ids.
List<Text> mailsOfNoRecord(const Findings& findings) {
  List<Text> ids;
  for (const OutboxMail& mail : findings.mails)
    if (!holds(findings.labels, mail.label)) ids.push_back(mail.id);
  return ids;
}

Text joined(const List<Text>& words) {
  Text text;
  for (const Text& word : words) {
    if (!text.empty()) text += ' ';
    text += word;
  }
  return text;
}

// Posted lists are words separated by blanks; a word longer than any label
// or mail id is no label, and no longer than the viewer reads.
List<Text> postedWords(ShowApplication& app, std::string_view name) {
  Text value = rawPostedField(app.rawBody().view(), name);
  List<Text> words;
  std::string_view rest = value.view();
  while (!rest.empty()) {
    size_t start = rest.find_first_not_of(" \t\n");
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    size_t end = std::min(rest.find_first_of(" \t\n"), rest.size());
    if (end <= static_cast<size_t>(ShowApplication::kMaxNameLength))
      words.push_back(Text(rest.substr(0, end)));
    rest.remove_prefix(end);
  }
  return words;
}

// The searched address's count of mails to visitors today; 0 when the
// text is no single address.
long replyCount(ShowApplication& app, const PersonQuery& query) {
  Text address = singleMailAddress(query.text.view());
  return address.empty() ? 0 : repliesCountedFor(app.home(), app.groupPath, address.view());
}

Markup repliesLine(ShowApplication& app, long replies) {
  return Markup::format(app.text(showTexts::kPersonReplies), replies);
}

Markup queryLine(ShowApplication& app, const PersonQuery& query, long count) {
  using namespace showTexts;
  if (query.field.empty()) return Markup::format(app.text(kPersonAnyField), query.text, count);
  return Markup::format(app.text(kPersonNamedField), query.field, query.text, count);
}

// A button that posts the query on with the password and `more`.
Markup queryButton(ShowApplication& app, const PersonQuery& query, const MessageTable& caption,
                   std::initializer_list<std::pair<const char*, Text>> more = {}) {
  List<std::pair<const char*, Text>> hidden{{"person", query.text}};
  if (!query.field.empty()) hidden.push_back({"field", query.field});
  hidden.insert(hidden.end(), more.begin(), more.end());
  return app.passwordButton(app.actionUrl(ViewTarget{}), app.text(caption), hidden);
}

Markup searchForm(ShowApplication& app, const PersonQuery& query) {
  using namespace showTexts;
  return Markup::format(
      "<form method=post action=\"%s\">\n<input type=hidden name=password value=\"%s\">\n"
      "<p><label>%s: <input name=person size=40 value=\"%s\"></label>\n"
      "<label>%s: <input name=field size=20 value=\"%s\"></label>\n"
      "<input type=submit value=\"%s\"></p>\n</form>\n",
      app.actionUrl(ViewTarget{}), exactValue(app.settings.password), app.text(kPersonPrompt),
      exactValue(query.text), app.text(kPersonFieldPrompt), exactValue(query.field),
      app.text(kPersonFind));
}

Markup groupButton(ShowApplication& app) {
  return Markup::format(
      "<div>%s</div>\n",
      app.button(ViewTarget{}, Markup::format(app.text(showTexts::kGroupTitle), app.groupName)));
}

Markup recordRow(ShowApplication& app, const FoundRow& row) {
  using namespace showTexts;
  const PersonRecord& where = row.where;
  Markup catalog = where.held      ? Markup::format(app.text(kHeldIn), where.catalog)
                   : where.pending ? Markup::format(app.text(kPendingIn), where.catalog)
                                   : Markup::format("%s", where.catalog);
  Markup label;
  if (where.label.empty()) {
    label = app.text(kNoLabel);
  } else if (where.held || where.pending) {
    label = Markup::format("%s", where.label);
  } else {
    label = app.button(ViewTarget{where.label, where.catalog, 0, false}, where.label);
  }
  return Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>\n", catalog, label,
                        listDate(row.date.view(), app.currentIndex()),
                        listTime(row.time.view(), app.currentIndex()));
}

Markup recordTable(ShowApplication& app, const Findings& findings) {
  using namespace showTexts;
  if (findings.rows.empty()) return Markup();
  Markup table = Markup::format(
      "<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th><th>%s</th><th>%s</th></tr>\n",
      app.text(kCatalogColumn), app.text(kLabelColumn), app.text(kDateColumn),
      app.text(kTimeColumn));
  for (const FoundRow& row : findings.rows) table += recordRow(app, row);
  return table + "</table>\n";
}

Markup mailTable(ShowApplication& app, const Findings& findings) {
  using namespace showTexts;
  if (findings.mails.empty()) return Markup();
  Markup table = Markup::format(
      "<h2>%s</h2>\n<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th><th>%s</th></tr>\n",
      app.text(kPersonMails), app.text(kMailRecipient), app.text(kMailState),
      app.text(kLabelColumn));
  for (const OutboxMail& mail : findings.mails) {
    Markup state = app.text(mail.state == MailState::Failed ? kMailFailed : kMailNotSent);
    Markup record = holds(findings.labels, mail.label) ? Markup::format("%s", mail.label)
                                                       : app.text(kOfNoRecord);
    table += Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td></tr>\n", mail.recipient, state,
                            record);
  }
  return table + "</table>\n";
}

// The found records' webhook deliveries still in the spool: they hold the
// records' data and go when the records are erased.
Markup webhookTable(ShowApplication& app, const Findings& findings) {
  using namespace showTexts;
  Markup rows;
  for (const OutboxMail& delivery : webhookSpool(app.home()).mails()) {
    if (!delivery.group.equalsIgnoreCase(app.groupSettingsName.view()) ||
        !holds(findings.labels, delivery.label))
      continue;
    Markup state = app.text(delivery.state == MailState::Failed ? kMailFailed : kMailNotSent);
    rows += Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td></tr>\n", delivery.recipient,
                           state, delivery.label);
  }
  if (rows.empty()) return Markup();
  return Markup::format(
             "<h2>%s</h2>\n<table border=1 cellpadding=4>\n<tr><th>%s</th><th>%s</th><th>%s</th>"
             "</tr>\n",
             app.text(kPersonWebhooks), app.text(kWebhookAddress), app.text(kMailState),
             app.text(kLabelColumn)) +
         rows + "</table>\n";
}

void writeFindingsPage(ShowApplication& app, PersonSearch& search) {
  using namespace showTexts;
  Findings findings = findAll(search);
  const PersonQuery& query = search.query();
  Markup title = Markup::format(app.text(kPersonTitle), app.groupName);
  Markup body = Markup::format("<h1>%s</h1>\n<p>%s</p>\n", title,
                               queryLine(app, query, static_cast<long>(findings.rows.size())));
  body += recordTable(app, findings);
  body += mailTable(app, findings);
  body += webhookTable(app, findings);
  long replies = replyCount(app, query);
  if (replies > 0) body += Markup::format("<p>%s</p>\n", repliesLine(app, replies));
  if (!findings.rows.empty() || !findings.mails.empty() || replies > 0) {
    body += "<div>" + queryButton(app, query, kDownloadAll, {{"format", "zip"}}) + "\n";
    body += queryButton(app, query, kEraseAll, {{"eraseperson", "1"}}) + "</div>\n";
  }
  body += searchForm(app, query);
  body += groupButton(app);
  app.writePage(Markup::format(app.text(kPersonTitle), app.groupName), body);
}

void writeConfirmationPage(ShowApplication& app, PersonSearch& search) {
  using namespace showTexts;
  Findings findings = findAll(search);
  List<Text> mails = mailsOfNoRecord(findings);
  const PersonQuery& query = search.query();
  Markup title = Markup::format(app.text(kPersonEraseTitle), app.groupName);
  Markup body = Markup::format("<h1>%s</h1>\n<p>%s</p>\n<p>%s</p>\n<ul>\n", title,
                               queryLine(app, query, static_cast<long>(findings.rows.size())),
                               app.text(kPersonEraseWarning));
  if (!findings.labels.empty())
    body += Markup::format("<li>%s</li>\n",
                           Markup::format(app.text(kPersonEraseRecords), joined(findings.labels)));
  if (!findings.held.empty())
    body += Markup::format("<li>%s</li>\n",
                           Markup::format(app.text(kPersonEraseHeld), joined(findings.held)));
  if (!findings.pending.empty())
    body += Markup::format("<li>%s</li>\n",
                           Markup::format(app.text(kPersonErasePending), joined(findings.pending)));
  if (!mails.empty())
    body += Markup::format("<li>%s</li>\n", Markup::format(app.text(kPersonEraseMails),
                                                           static_cast<long>(mails.size())));
  if (findings.unlabelled > 0)
    body += Markup::format("<li>%s</li>\n",
                           Markup::format(app.text(kPersonUnlabelled), findings.unlabelled));
  if (long replies = replyCount(app, query); replies > 0)
    body += Markup::format("<li>%s</li>\n", repliesLine(app, replies));
  body += "</ul>\n<div>";
  body += queryButton(app, query, kPersonEraseConfirm,
                      {{"eraseperson", "2"},
                       {"labels", joined(findings.labels)},
                       {"held", joined(findings.held)},
                       {"pending", joined(findings.pending)},
                       {"mails", joined(mails)}});
  body += "\n" + queryButton(app, query, kPersonKeep) + "</div>\n";
  app.writePage(Markup::format(app.text(kPersonEraseTitle), app.groupName), body);
}

// What an erasure did.
struct PersonErasure {
  List<Text> erased;  // labels of the records erased
  long mails = 0;     // mails removed, those of the records erased among them
};

// The held records of `labels` out of the quarantine, with their files.
void eraseHeld(ShowApplication& app, RecordEraser& eraser, const List<Text>& labels) {
  if (labels.empty()) return;
  Text path = quarantinePath(app.groupPath);
  bool written = rewriteQuarantine(
      path, [&](const QuarantinedRecord& record) { return !holds(labels, record.label()); });
  if (!written) app.fatal(spamMessages::kQuarantineUnwritable, path);
  for (const Text& label : labels) {
    removeQuarantineUploads(app.groupPath, label.view());
    eraser.logErasure(Text(kHeldCatalogName), label);
  }
}

// The records awaiting confirmation of `ids` out of the pending files of
// `files` (those in which they were found).
void erasePending(ShowApplication& app, RecordEraser& eraser,
                  const std::map<std::string, std::pair<const CatalogFile*, List<Text>>>& found) {
  for (const auto& [path, entry] : found) {
    const auto& [file, ids] = entry;
    Text pending = pendingPath(path);
    if (!rewritePending(pending, [&](const PendingRecord& r) { return !holds(ids, r.id()); }))
      app.fatal(messages::kOpenFailed, pending);
    for (const Text& id : ids) eraser.logErasure(file->name, id);
  }
}

// Erases, under the group lock, the records that the confirmation listed
// and that still hold the text when the lock is held: a record stored in
// between has a label the confirmation did not list, and a record changed
// in between no longer matches; neither is touched.
PersonErasure erasePersonData(ShowApplication& app, PersonSearch& search) {
  List<Text> labels = postedWords(app, "labels");
  List<Text> held = postedWords(app, "held");
  List<Text> pending = postedWords(app, "pending");
  std::map<std::string, std::pair<const CatalogFile*, List<Text>>> pendingOfFile;
  List<Text> pendingFound;
  List<Text> mailIds = postedWords(app, "mails");
  AuditedAction audit(app, "person erased");
  GroupLock lock;
  if (!lock.acquire(app.groupPath))
    app.fatal(messages::kCreateFailed, GroupLock::lockPath(app.groupPath));
  // Each catalog file with its records to go, in file order.
  std::map<std::string, std::pair<const CatalogFile*, RecordSpans>> spansOfFile;
  List<Text> heldFound;
  PersonErasure erasure;
  search.eachRecord([&](const PersonRecord& where, const Record&) {
    if (where.label.empty()) return;
    if (where.pending) {
      if (!holds(pending, where.label) || holds(pendingFound, where.label)) return;
      auto& [file, ids] = pendingOfFile[where.file->path.str()];
      file = where.file;
      ids.push_back(where.label);
      pendingFound.push_back(where.label);
    } else if (where.held) {
      if (holds(held, where.label) && !holds(heldFound, where.label))
        heldFound.push_back(where.label);
    } else if (holds(labels, where.label)) {
      auto& [file, spans] = spansOfFile[where.file->path.str()];
      file = where.file;
      spans.push_back(RecordSpan{where.offset, where.end, where.label});
      erasure.erased.push_back(where.label);
    }
  });
  Outbox outbox(outboxFolder(app.home()));
  List<OutboxMail> mails;
  for (OutboxMail& mail : search.mails(erasure.erased))
    if (holds(erasure.erased, mail.label) || holds(mailIds, mail.id)) mails.push_back(mail);

  RecordEraser eraser(app);
  for (const auto& [path, found] : spansOfFile) eraser.eraseFromFile(*found.first, found.second);
  eraseHeld(app, eraser, heldFound);
  erasePending(app, eraser, pendingOfFile);
  for (const OutboxMail& mail : mails)
    if (!holds(erasure.erased, mail.label)) outbox.remove(mail);
  erasure.erased.insert(erasure.erased.end(), heldFound.begin(), heldFound.end());
  erasure.erased.insert(erasure.erased.end(), pendingFound.begin(), pendingFound.end());
  erasure.mails = static_cast<long>(mails.size());
  // The count of mails to the address goes too (its own lock), though it
  // holds only a keyed hash of the address and lives one day.
  Text address = singleMailAddress(search.query().text.view());
  if (!address.empty() && !forgetRepliesTo(app.home(), app.groupPath, address.view()))
    app.fatal(messages::kCreateFailed, replyCountsPath(app.groupPath));
  audit.done(app.groupSettingsName, "",
             Text::fromInt(static_cast<long>(erasure.erased.size())).view());
  return erasure;
}

void writeErasedPage(ShowApplication& app, PersonSearch& search) {
  using namespace showTexts;
  PersonErasure erasure = erasePersonData(app, search);
  List<Text> kept;
  for (const char* list : {"labels", "held", "pending"})
    for (Text& label : postedWords(app, list))
      if (!holds(erasure.erased, label)) kept.push_back(std::move(label));
  Markup title = app.text(kPersonErasedTitle);
  Markup body =
      Markup::format("<h1>%s</h1>\n<p>%s</p>\n", title,
                     Markup::format(app.text(kPersonErased),
                                    static_cast<long>(erasure.erased.size()), erasure.mails));
  if (!erasure.erased.empty())
    body += Markup::format("<p>%s</p>\n",
                           Markup::format(app.text(kPersonEraseRecords), joined(erasure.erased)));
  if (!kept.empty())
    body += Markup::format("<p>%s</p>\n", Markup::format(app.text(kPersonNotErased), joined(kept)));
  body += groupButton(app);
  app.writePage(title, body);
}

}  // namespace

bool postsPerson(ShowApplication& app) {
  return !rawPostedField(app.rawBody().view(), "person").empty();
}

bool asksForPersonForm(const ShowApplication& app) {
  return app.queryParams().value("find") == "person";
}

void refusePersonInAddress(ShowApplication& app) {
  if (!app.queryParams().find("person") && !app.queryParams().find("field")) return;
  app.setStatus("400 Bad Request");
  app.fatal(showTexts::kPersonInAddress);
}

void writePersonForm(ShowApplication& app) {
  Markup title = Markup::format(app.text(showTexts::kPersonTitle), app.groupName);
  app.writePage(
      Markup::format(app.text(showTexts::kPersonTitle), app.groupName),
      Markup::format("<h1>%s</h1>\n", title) + searchForm(app, PersonQuery{}) + groupButton(app));
}

void answerPersonRequest(ShowApplication& app) {
  PersonSearch search(app, postedPersonQuery(app));
  std::string_view body = app.rawBody().view();
  if (rawPostedField(body, "format").equalsIgnoreCase("zip")) {
    exportPersonData(app, search);
    return;
  }
  app.writeHtmlHeader();
  Text erase = rawPostedField(body, "eraseperson");
  if (erase == "2") {
    writeErasedPage(app, search);
  } else if (erase == "1") {
    writeConfirmationPage(app, search);
  } else {
    writeFindingsPage(app, search);
  }
}
