// The submission flow: form and catalog choice, label, storing under the
// group lock, the variables the answer page and mails see, and the answer.
#include "insert/submit_application.h"

#include <cstdio>

#include "common/access/address_storage.h"
#include "common/access/client_address.h"
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/cgi/request_ended.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "common/storing/expiry.h"
#include "common/template/template.h"
#include "insert/auto_reply.h"
#include "insert/campaign_copies.h"
#include "insert/method_refusal.h"
#include "insert/proof_of_work.h"
#include "insert/recent_submissions.h"
#include "insert/spam_defence.h"
#include "insert/submission_answer.h"
#include "insert/submission_rate.h"

void SubmitApplication::runSubmission() {
  if (method() != "POST") refuseMethod(*this);
  refuseForeignOrigin(*this);
  receiveBody();
  if (pathInfo().empty()) fatal(messages::kNoGroup);
  dropSystemNames();
  Text formName = chooseFormName();
  // The catalog parameter is resolved before the form is looked up, so an
  // unknown catalog is reported before an unknown form.
  CatalogFileList requested;
  catalogFiles().addCatalogFilesOf(requested, queryParams().find("catalog"));
  const FormEntry& form = findForm(formName);
  if (options.optIn.enabled()) refuseOptInLayout();
  CatalogFile target = requested.empty() ? chooseTarget(formName, form) : requested.front();
  // Checked before storing: a bad setting must not leave a stored record
  // behind an error page that invites sending the form again.
  Text redirect = answersJson() ? Text() : checkedRedirect(*this, formName);
  Submission submission = newSubmission(formName, target);
  refuseOverRate(*this);
  if (answeredInvalid(form, formName)) return;
  // The spam layers. The proof is taken out first: it is no data of the
  // form's, and a fresh one each time would hide a second click.
  SpamSignals signals;
  signals.proofFailed = proofFailed(*this);
  RecentSubmissionGuard recent(*this, formName);
  if (Text earlier = recent.earlierLabel(); !earlier.empty()) {
    countSpamLayers(*this, {"duplicate"});
    // Sent twice (a second click, say): the answer of the first, stored once.
    countSubmission(*this, "refused_duplicate");
    if (earlier == kAwaitingConfirmation) {
      answerHeldAgain(form, submission, redirect);
      return;
    }
    submission.label = earlier;
    store_.addSubmissionVariables(submission);
    answer(form, submission, redirect);
    return;
  }
  CampaignGuard campaign(*this);
  signals.otherAddresses = recent.otherAddresses();
  signals.campaign = campaign.campaign();
  SpamJudgement judgement = judgeSubmission(*this, signals);
  countSpamLayers(*this, judgement.layers);
  if (!judgement.reason.empty()) {
    submission.fields = postParams();
    Text held = quarantine(submission, judgement.reason);
    store_.flushStored();
    countSubmission(*this, "quarantined");
    recent.note(held);
    campaign.note();
    answer(form, submission, redirect);
    return;
  }
  // Judged before the honeypot field goes, as the quarantine's check was.
  bool mayReply = options.autoReply.replyFor(formName.view()).any() && judgement.points == 0;
  dropHoneypotField(*this);
  submission.fields = postParams();
  if (options.optIn.enabled()) {
    // Marked only where a reply is set up and a rule scored the content.
    bool replyAllowed = mayReply || !options.autoReply.replyFor(formName.view()).any();
    holdForConfirmation(form, submission, redirect, replyAllowed);
    countSubmission(*this, "held");
    recent.note(Text(kAwaitingConfirmation));
    campaign.note();
    return;
  }
  List<OutboxMail> mails;
  Text label = storeSubmission(submission, mails, mayReply);
  store_.flushStored();
  store_.confirmNotifications(mails);
  countSubmission(*this, "stored");
  recent.note(label);
  campaign.note();
  answerThenDeliver(form, submission, redirect, !mails.empty() || store_.queuedWebhooks());
}

Submission SubmitApplication::newSubmission(const Text& formName, const CatalogFile& target) {
  Submission submission;
  submission.formName = formName;
  submission.target = target;
  submission.refLabel = queryParams().value("reflabel");
  submission.sent = today;
  submission.clientAddress = storedAddress(*this, recordedClientAddress(*this));
  if (options.validation.recordLanguage) submission.language = currentLanguage().shortName;
  return submission;
}

// Under the group lock: the label, the mails put in the outbox as pending,
// the files and the record stored. A failed store takes its mails back; they
// are confirmed once the record is on disk, after the lock.
Text SubmitApplication::storeSubmission(Submission& submission, List<OutboxMail>& mails,
                                        bool mayReply) {
  GroupLock lock;
  store_.lockGroup(lock);
  // The counter read with the group may be stale by now: another
  // submission may have advanced it while this one waited for the lock.
  group.count = counterOnDisk(group.count);
  submission.label = takeNextLabel(group);
  submission.uploads = uploads_.entries();
  store_.addSubmissionVariables(submission);
  mails = store_.composeNotifications(submission);
  if (mayReply) addAutoReply(*this, store_, submission, mails);
  store_.queueNotifications(mails);
  const CatalogFile& target = submission.target;
  try {
    if (store_.countsLabels())
      uploads_.moveInto(recordUploadFolder(target.path.view(), submission.label.view()));
    else
      uploads_.moveIntoNewFolder(target.path, submission.label);
    store_.storeCounted(submission);
  } catch (const RequestEnded&) {
    store_.dropNotifications(mails);
    throw;
  }
  uploads_.keep();
  addUploadSpace(groupPath, uploads_.bytes());
  return submission.label;
}

// Delivery starts once the answer is out, or the answer failed: the visitor
// never waits for a mail server. A group that keeps records for a limited
// time has the detached run do a share of the expiry now and then.
void SubmitApplication::answerThenDeliver(const FormEntry& form, const Submission& submission,
                                          const Text& redirect, bool mailed) {
  bool expire = expiryDue();
  try {
    answer(form, submission, redirect);
  } catch (const RequestEnded&) {
    startDetachedRun(home(), mailed, expire);
    throw;
  }
  startDetachedRun(home(), mailed, expire);
}

void SubmitApplication::answer(const FormEntry& form, const Submission& submission,
                               const Text& redirect) {
  if (answersJson()) {
    answerJson(*this, submission.label, submission.target.name);
  } else if (!redirect.empty()) {
    answerRedirect(*this, redirectLocation(redirect, submission.label));
  } else {
    writeHeader("text/html");
    writeAnswerPage(form);
  }
}

// Names that begin with "&" belong to the system: a posted "&label" would
// otherwise stand in for the real label in the answer page and the mails, and
// be stored as a second label line of the record.
void SubmitApplication::dropSystemNames() {
  postParams().removeIf([](const Param& field) { return field.name.startsWith("&"); });
}

Text SubmitApplication::chooseFormName() {
  Text name = queryParams().find("formid") ? queryParams().value("formid") : group.defaultForm;
  if (name.empty() && !group.forms.empty()) name = group.forms.front().name;
  if (name.empty()) fatal(messages::kNoForm);
  return name;
}

// The first catalog that lists the form; a series goes to the member its tag
// names (parameter values appended to its name) or to the current period's.
CatalogFile SubmitApplication::chooseTarget(const Text& formName, const FormEntry& form) {
  CatalogFileList list;
  for (CatalogEntry& entry : group.catalogs) {
    bool listsForm = false;
    for (const Text& name : entry.forms) listsForm = listsForm || name.equalsIgnoreCase(form.name);
    if (!listsForm) continue;
    Text expansion = entry.name;
    if (!entry.seriesTag.empty()) {
      Text rest = entry.seriesTag + ",";
      for (long comma; (comma = rest.findChar(',')) >= 0; rest.erase(0, comma + 1))
        expansion += parameter(rest.substring(0, comma));
    }
    catalogFiles().addCatalogFiles(list, expansion, &entry);
  }
  if (list.empty()) fatal(messages::kNoCatalogForForm, formName);
  return list.front();
}

void SubmitApplication::writeAnswerPage(const FormEntry& form) {
  writeTemplatePage(languageFile(makePath(group.workDir, form.messageFile)));
}

void SubmitApplication::writeTemplatePage(const Text& path) {
  Text page;
  readWholeFile(path, OpenMode::Required, page);
  TemplateScopes scopes{&postParams(), &group.variables, &variables()};
  TemplateOptions options{&postParams(), true};
  options.requestVariables = &requestVariables();
  const Language& language = currentLanguage();
  expandTemplate(page, scopes, directoryOf(path), currentIndex(), language.dateFormat,
                 language.timeFormat, options);
  // The site's own page: the template processor escaped every value of the
  // visitor's that it put in (escapePosted); the rest is the site's markup.
  write(Markup(page));
}
