// Double opt-in: holding a submission until its address confirms it, the
// confirmation mail, and the link's button page and POST.
#include "insert/opt_in.h"

#include <cstdio>

#include "common/access/address_storage.h"
#include "common/access/client_address.h"
#include "common/access/confirm_token.h"
#include "common/catalog/catalog_files.h"
#include "common/cgi/html_start.h"
#include "common/cgi/json_answer.h"
#include "common/cgi/request_ended.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "common/mail/mail.h"
#include "common/mail/mail_text.h"
#include "common/mail/visitor_address.h"
#include "common/storing/expiry.h"
#include "common/storing/pending_file.h"
#include "insert/auto_reply.h"
#include "insert/method_refusal.h"
#include "insert/submission_answer.h"
#include "insert/submit_application.h"

namespace {

// The built-in mail, already in UTF-8; %s is the link, %ld the days.
constexpr MessageTable kMailSubject{"Please confirm your submission", "Prosimo, potrdite oddajo"};
constexpr MessageTable kMailBody{
    "Hello,\n\nsomeone, we hope you, sent a form with this address. To confirm it,\nopen this "
    "link and press the button on its page:\n\n%s\n\nThe link is valid for %ld days. If you did "
    "not send the form, ignore\nthis mail: without a confirmation nothing is kept.\n",
    "Pozdravljeni,\n\nnekdo, upamo, da vi, je poslal obrazec s tem naslovom. Za potrditev\nodprite "
    "povezavo in na njeni strani pritisnite gumb:\n\n%s\n\nPovezava velja %ld dni. "
    "\xC4\x8C"
    "e obrazca niste poslali vi, to sporo\xC4\x8D"
    "ilo\nprezrite: brez potrditve se "
    "ni\xC4\x8D"
    "esar ne hrani.\n"};

}  // namespace

bool isConfirmationRequest(const RequestContext& request) { return request.queryNames("confirm"); }

// Checked on the first submission, before anything is held: the pending
// file and the confirmed record are both in the item form.
void SubmitApplication::refuseOptInLayout() {
  if (!group.dataFields.empty()) fatal(messages::kOptInDelimited);
}

// The one address the link goes to; anything else refuses the submission
// before anything is held or mailed.
Text SubmitApplication::confirmAddress(const Submission& submission) {
  const Text& field = options.optIn.field;
  const Param* posted = submission.fields.find(field.view());
  Text address =
      posted && posted->further.empty() ? singleMailAddress(posted->value.view()) : Text();
  if (address.empty()) fatal(messages::kOptInAddress, field);
  return address;
}

// Under the group lock: the mail is queued as pending, the record appended
// to the pending file, then the mail confirmed once the record is on disk,
// as a stored submission's mails are. The catalog file is created when
// missing, so that the pending file beside it is found (a new series
// member, say).
void SubmitApplication::holdForConfirmation(const FormEntry& form, Submission& submission,
                                            const Text& redirect, bool mayReply) {
  Text address = confirmAddress(submission);
  // Files wait for a later version: held uploads would need their own
  // folder and their own expiry.
  if (!uploads_.entries().empty()) fatal(messages::kOptInFiles);
  Text token = newConfirmToken();
  const Text& catalogPath = submission.target.path;
  Text path = pendingPath(catalogPath.view());
  if (token.empty()) fatal(messages::kCreateFailed, path);
  store_.addSubmissionVariables(submission);
  variables().add("&pending", "1", AddMode::Replace);
  List<OutboxMail> mails{confirmationMail(submission, address, token)};
  {
    GroupLock lock;
    store_.lockGroup(lock);
    store_.queueNotifications(mails);
    try {
      FilePtr catalog = openAppend(catalogPath);
      closeFile(catalog);
      // The language travels as a field of the held record until it is
      // stored (heldSubmission takes it back out).
      ParamList held = submission.fields;
      if (!submission.language.empty())
        held.insertBefore(0, kLanguageFieldName, submission.language.view());
      Text record = pendingRecordText(confirmTokenHash(token.view()).view(), submission.automatic(),
                                      held, mayReply);
      FilePtr file = openAppend(path);
      long start = std::ftell(file.get());
      std::fwrite(record.c_str(), 1, record.str().size(), file.get());
      store_.finishAppend(file, path, start);
      store_.flushStored();
    } catch (const RequestEnded&) {
      store_.dropNotifications(mails);
      throw;
    }
  }
  store_.confirmNotifications(mails);
  bool expire = expiryDue();
  try {
    answerPending(form, redirect);
  } catch (const RequestEnded&) {
    startDetachedRun(home(), true, expire);
    throw;
  }
  startDetachedRun(home(), true, expire);
}

OutboxMail SubmitApplication::confirmationMail(const Submission& submission, const Text& address,
                                               const Text& token) {
  Text link = "http://" + settings.serverName + variables().value("&KALDERHOME") + "insert.exe/" +
              percentEncode(groupSettingsName.view()) + "?confirm=" + token;
  variables().add("&confirmlink", link, AddMode::Replace);
  variables().add("&confirmdays", Text::fromInt(options.optIn.days), AddMode::Replace);
  OutboxMail mail;
  Text templatePath = makePath(group.workDir, options.optIn.templateFile);
  if (!options.optIn.templateFile.empty()) {
    Text sender, subject, body;
    store_.expandMailTemplate(submission, templatePath, sender, subject, body);
    std::string_view charset = currentCharsetName();
    mail.sender = sender.empty() ? localSenderAddress() : mailUtf8(sender, charset);
    mail.subject = mailUtf8(subject, charset);
    mail.body = mailUtf8(body, charset);
  } else {
    mail.sender = localSenderAddress();
    mail.subject = Text(kMailSubject.pick(currentIndex()));
    mail.body = Text::format(kMailBody.pick(currentIndex()), link.c_str(), options.optIn.days);
  }
  mail.group = groupSettingsName;
  mail.catalog = submission.target.name;
  mail.recipient = address;
  return mail;
}

void SubmitApplication::answerHeldAgain(const FormEntry& form, const Submission& submission,
                                        const Text& redirect) {
  store_.addSubmissionVariables(submission);
  variables().add("&pending", "1", AddMode::Replace);
  answerPending(form, redirect);
}

void SubmitApplication::answerPending(const FormEntry& form, const Text& redirect) {
  if (answersJson()) {
    writeHeader(kJsonContentType);
    writeDirect(JsonObject().addBool("ok", true).addBool("pending", true).text());
  } else if (!redirect.empty()) {
    answerRedirect(*this, pendingLocation(redirect));
  } else {
    writeHeader("text/html");
    writeAnswerPage(form);
  }
}

bool SubmitApplication::expiryDue() {
  bool expiring = options.retention.any(group.catalogs) || options.optIn.enabled();
  return expiring && expiryShareDue(home());
}

// A GET (or HEAD) only shows the button: whatever opens the link, a mail
// scanner too, changes nothing. A token that cannot be one is answered as
// unknown before any file is read.
void SubmitApplication::runConfirmation() {
  if (pathInfo().empty()) fatal(messages::kNoGroup);
  Text token = queryParams().value("confirm");
  bool shaped = options.optIn.enabled() && isConfirmTokenShaped(token.view());
  if (method() == "GET" || method() == "HEAD") {
    ConfirmOutcome outcome = ConfirmOutcome::Unknown;
    if (shaped) {
      PendingRecord held;
      CatalogFile where;
      outcome = findHeld(confirmTokenHash(token.view()), held, where);
    }
    if (outcome == ConfirmOutcome::Stored) {
      writeConfirmButton(token);
    } else {
      writeLinkGone(outcome);
    }
    return;
  }
  if (method() != "POST") refuseMethod(*this);
  refuseForeignOrigin(*this);
  if (!shaped) {
    writeLinkGone(ConfirmOutcome::Unknown);
    return;
  }
  Submission submission;
  List<OutboxMail> mails;
  ConfirmOutcome outcome = confirmHeld(confirmTokenHash(token.view()), submission, mails);
  if (outcome != ConfirmOutcome::Stored) {
    writeLinkGone(outcome);
    return;
  }
  store_.flushStored();
  store_.confirmNotifications(mails);
  countSubmission(*this, "stored");
  try {
    writeConfirmedPage(submission.label);
  } catch (const RequestEnded&) {
    startDetachedRun(home(), !mails.empty() || store_.queuedWebhooks(), false);
    throw;
  }
  startDetachedRun(home(), !mails.empty() || store_.queuedWebhooks(), false);
}

void SubmitApplication::writeConfirmButton(const Text& token) {
  Text action = "?confirm=" + token;
  if (!languageParam().empty()) action += "&language=" + percentEncode(languageParam().view());
  writeHeader("text/html");
  writeHtmlStart(*this);
  writeHead(text(messages::kConfirmTitle));
  print("<body>\n<h1>%s</h1>\n<p>%s</p>\n", text(messages::kConfirmTitle),
        text(messages::kConfirmPrompt));
  print("<form method=\"post\" action=\"%s\">\n<button type=\"submit\">%s</button>\n</form>\n",
        action, text(messages::kConfirmButton));
  writeDirect("</body>\n</html>\n");
}

void SubmitApplication::writeConfirmedPage(const Text& label) {
  writeHeader("text/html");
  writeHtmlStart(*this);
  writeHead(text(messages::kConfirmedTitle));
  print("<body>\n<h1>%s</h1>\n<p>", text(messages::kConfirmedTitle));
  print(text(messages::kConfirmedText), label);
  writeDirect("</p>\n</body>\n</html>\n");
}

// 404 for a token never made or used already, 410 for one that expired.
void SubmitApplication::writeLinkGone(ConfirmOutcome outcome) {
  bool expired = outcome == ConfirmOutcome::Expired;
  setStatus(expired ? "410 Gone" : "404 Not Found");
  writeHeader("text/html");
  errorPage(text(expired ? messages::kLinkExpiredTitle : messages::kLinkUnknownTitle),
            text(expired ? messages::kLinkExpired : messages::kLinkUnknown));
}

// Under the group lock: the held record with that token hash is found in
// the pending files, stored in its catalog with a label of the group's
// counter and &CONFIRMED after the automatic fields, its staff mails
// queued; only then does it leave the pending file, so a failure never
// loses it.
SubmitApplication::ConfirmOutcome SubmitApplication::confirmHeld(const Text& tokenHash,
                                                                 Submission& submission,
                                                                 List<OutboxMail>& mails) {
  GroupLock lock;
  store_.lockGroup(lock);
  PendingRecord held;
  CatalogFile where;
  ConfirmOutcome found = findHeld(tokenHash, held, where);
  if (found != ConfirmOutcome::Stored) return found;
  submission = heldSubmission(held, where);
  group.count = counterOnDisk(group.count);
  submission.label = takeNextLabel(group);
  store_.addSubmissionVariables(submission);
  mails = store_.composeNotifications(submission);
  // The visitor's own reply joins the staff's mails, queued, stored with the
  // record and confirmed together; not for a submission a rule scored.
  if (held.mayReply) addAutoReply(*this, store_, submission, mails);
  store_.queueNotifications(mails);
  try {
    store_.storeCounted(submission);
  } catch (const RequestEnded&) {
    store_.dropNotifications(mails);
    throw;
  }
  Text path = pendingPath(where.path.view());
  if (!rewritePending(path, [&](const PendingRecord& r) { return r.tokenHash != tokenHash; })) {
    // Stored but still held: the next POST would store it twice. The
    // mails go out as the record's; the administrator sees the error.
    store_.flushStored();
    store_.confirmNotifications(mails);
    fatal(messages::kOpenFailed, path);
  }
  return ConfirmOutcome::Stored;
}

// Stored: a held record of that hash whose link still holds. Only reads.
SubmitApplication::ConfirmOutcome SubmitApplication::findHeld(const Text& tokenHash,
                                                              PendingRecord& held,
                                                              CatalogFile& where) {
  bool found = false;
  for (const CatalogFile& file : everyCatalogFile(group, currentIndex())) {
    forEachPending(pendingPath(file.path.view()), [&](const PendingRecord& record) {
      found = record.tokenHash == tokenHash;
      if (found) held = record;
      return !found;
    });
    if (found) {
      where = file;
      break;
    }
  }
  if (!found) return ConfirmOutcome::Unknown;
  long todayNumber = daysSinceEpoch(today.year, today.month, today.day);
  return held.expiredOn(todayNumber, options.optIn.days) ? ConfirmOutcome::Expired
                                                         : ConfirmOutcome::Stored;
}

Submission SubmitApplication::heldSubmission(const PendingRecord& held, const CatalogFile& where) {
  Submission submission;
  submission.target = where;
  submission.formName = held.automatic[AutomaticField::FormId];
  submission.refLabel = held.automatic[AutomaticField::RefLabel];
  submission.clientAddress = held.automatic[AutomaticField::Computer];
  submission.sent = held.sent();
  submission.fields = held.fields;
  if (const Param* language = held.fields.find(kLanguageFieldName)) {
    submission.language = language->value;
    submission.fields.removeIf(
        [](const Param& field) { return field.name.equalsIgnoreCase(kLanguageFieldName); });
  }
  Text confirmed = Text::fromInt(today.year, 4) + Text::fromInt(today.month, 2) +
                   Text::fromInt(today.day, 2) + " " + Text::fromInt(today.hour, 2) +
                   Text::fromInt(today.minute, 2) + " " +
                   storedAddress(*this, recordedClientAddress(*this));
  submission.fields.insertBefore(0, "&CONFIRMED", confirmed.view());
  return submission;
}
