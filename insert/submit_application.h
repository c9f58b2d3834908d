// SubmitApplication: the program object of insert. One run stores one posted
// form as a new labelled record, saves the counter, mails the first matching
// response and answers with the form's message page.
#pragma once

#include "common/catalog/catalog_files.h"
#include "common/storing/pending_file.h"
#include "common/storing/record_store.h"
#include "insert/field_rules.h"
#include "insert/upload_spool.h"

// What the duplicate check keeps for a submission held for its
// confirmation, which has no label yet (a label ends in its counter's digits).
inline constexpr char kAwaitingConfirmation[] = "(pending)";

class SubmitApplication : public CatalogGroup {
 public:
  // The header waits for runSubmission, so that a request which may not
  // store can be answered with its own status. Scripts of the sites the
  // group allows may read every answer (cross_origin.h).
  explicit SubmitApplication(const RequestContext& context)
      : CatalogGroup(context, nullptr, ScriptAccess{}) {}
  SubmitApplication() : SubmitApplication(RequestContext::fromProcess()) {}

  // The whole submission; every failure ends the request with an error page
  // (a JSON object when a script asks for one). Only a POST stores (see
  // method_refusal.h), and only from a site the group allows
  // (submission_answer.h). Answers with the form's page, a JSON object or
  // the redirect the group's options name.
  void runSubmission();
  // A request that follows a confirmation link of double opt-in (opt_in.h):
  // a GET shows the button, its POST stores the held submission.
  void runConfirmation();

 private:
  // Posted fields named like system variables ("&label", "&date").
  void dropSystemNames();

  // Files (upload_receipt.cc). Reads a multipart body, which waits until the
  // group's upload limits are known, its files into the spool; a refused
  // body ends the request with its status.
  void receiveBody();
  // The catalog the files are spooled beside: the one chosen before the
  // body's fields are known (a series member they name lies beside it).
  CatalogFile uploadTarget();
  // The bytes the group's uploads take on disk (upload_space.h).
  long long uploadSpace();
  UploadSpool uploads_{*this};
  RecordStore store_{*this};

  // Choosing.
  // Resolves the catalog names of this group.
  CatalogResolver catalogFiles() { return CatalogResolver(group, today, *this); }
  Text chooseFormName();
  CatalogFile chooseTarget(const Text& formName, const FormEntry& form);
  // The submission of this request before its label is taken: the form, the
  // catalog, the reference label, the time and the client; `fields` are
  // filled in once the spam defences have looked at them.
  Submission newSubmission(const Text& formName, const CatalogFile& target);

  // A submission a spam defence holds back (spam_defence.h): stored in the
  // quarantine under a label of its own counter, no mail sent; returns the
  // label.
  Text quarantine(Submission& submission, const Text& reason);

  // Ends the request with 429 when the record would grow the quarantine
  // file past the group's quarantineMaxSize.
  void refuseOverfullQuarantine(const Text& path, const Submission& submission, const Text& reason);

  // Under the group lock: the label taken, the mails queued (the visitor's
  // too when `mayReply`), the files and the record stored; returns the label.
  Text storeSubmission(Submission& submission, List<OutboxMail>& mails, bool mayReply);
  void answerThenDeliver(const FormEntry& form, const Submission& submission, const Text& redirect,
                         bool mailed);
  // The page, the JSON answer or the redirect of a stored submission.
  void answer(const FormEntry& form, const Submission& submission, const Text& redirect);
  void writeAnswerPage(const FormEntry& form);
  // A page of the site's expanded as a template with the posted fields.
  void writeTemplatePage(const Text& path);

  // Validation (invalid_answer.cc). True when the submission breaks a rule
  // of the group's options and the answer listing every error went out:
  // nothing is stored. A rule that cannot be used ends the request.
  bool answeredInvalid(const FormEntry& form, const Text& formName);
  void answerInvalidJson(const List<FieldError>& errors);
  // False when the page is too large to re-fill.
  bool writeRefilledForm(const Text& page, const Text& formName, const List<FieldError>& errors);
  void writeErrorTemplate(const Text& path, const List<FieldError>& errors);
  void writeInvalidPage(const List<FieldError>& errors);
  // Whether the detached run should do a share of the expiry.
  bool expiryDue();

  // Double opt-in (opt_in.cc).
  void refuseOptInLayout();
  // The address in the group's confirmField; fatal unless it is one.
  Text confirmAddress(const Submission& submission);
  // Holds the submission in its catalog's pending file, mails the link and
  // answers with &pending set and &label empty.
  void holdForConfirmation(const FormEntry& form, Submission& submission, const Text& redirect,
                           bool mayReply);
  OutboxMail confirmationMail(const Submission& submission, const Text& address, const Text& token);
  void answerPending(const FormEntry& form, const Text& redirect);
  // A held submission sent again within the duplicate window: its answer
  // once more, nothing held or mailed twice.
  void answerHeldAgain(const FormEntry& form, const Submission& submission, const Text& redirect);
  // Stored: found (and, after confirmHeld, stored).
  enum class ConfirmOutcome { Stored, Unknown, Expired };
  // Under the group lock: the held record of that token hash stored with
  // its label and its staff mails queued, or why not.
  ConfirmOutcome confirmHeld(const Text& tokenHash, Submission& submission,
                             List<OutboxMail>& mails);
  ConfirmOutcome findHeld(const Text& tokenHash, PendingRecord& held, CatalogFile& where);
  Submission heldSubmission(const PendingRecord& held, const CatalogFile& where);
  void writeConfirmButton(const Text& token);
  void writeConfirmedPage(const Text& label);
  void writeLinkGone(ConfirmOutcome outcome);
};
