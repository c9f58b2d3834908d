// Reading the outbox for the viewer's pages.
#include "show/mail_status.h"

#include <ctime>

#include "common/access/audit_action.h"
#include "common/cgi/raw_fields.h"
#include "common/mail/outbox.h"
#include "common/mail/outbox_run.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

Outbox outboxOf(ShowApplication& app) { return Outbox(outboxFolder(app.home())); }

bool ofRecord(ShowApplication& app, const Text& group, const Text& label, const Text& wanted) {
  // Mails queued before the outbox took kalder.ini's spelling carry the
  // request's: a group is one group whatever its letter case.
  return equalsIgnoreCase(group.view(), app.groupName.view()) && label == wanted;
}

Markup actionButton(ShowApplication& app, const Text& label, const OutboxMail& mail,
                    const char* action, const MessageTable& caption) {
  ViewTarget target = app.requested();
  target.label = label;
  target.erase = false;
  return app.passwordButton(app.actionUrl(target), app.text(caption),
                            {{"mail", mail.id}, {"mailaction", Text(action)}});
}

Markup mailRow(ShowApplication& app, const Text& label, const OutboxMail& mail) {
  using namespace showTexts;
  Markup state;
  if (mail.state == MailState::Failed) {
    state = Markup::format("%s", app.text(kMailFailed));
  } else {
    state = Markup::format(app.text(kMailWaiting), spoolTime(mail.created), spoolTime(mail.next));
  }
  Markup actions = actionButton(app, label, mail, "drop", kMailDrop);
  if (mail.state != MailState::Pending)
    actions = actionButton(app, label, mail, "retry", kMailRetry) + " " + actions;
  return Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>\n", mail.recipient,
                        state, mail.reply, actions);
}

}  // namespace

Text spoolTime(long long seconds) {
  std::time_t when = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return Text(text);
}

Markup recordMailTable(ShowApplication& app, const Text& label) {
  using namespace showTexts;
  Outbox outbox = outboxOf(app);
  Markup rows;
  for (const Outbox::SentEntry& sent : outbox.sentEntries()) {
    if (!ofRecord(app, sent.group, sent.label, label)) continue;
    rows += Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td><td></td></tr>\n", sent.recipient,
                           Markup::format(app.text(kMailSent), spoolTime(sent.time)), sent.reply);
  }
  for (const OutboxMail& mail : outbox.mails())
    if (ofRecord(app, mail.group, mail.label, label)) rows += mailRow(app, label, mail);
  if (rows.empty()) return Markup();
  return Markup::format("<h2>%s</h2>\n<table border=1 cellpadding=4>\n", app.text(kMailsTitle)) +
         Markup::format("<tr><th>%s</th><th>%s</th><th>%s</th><th></th></tr>\n",
                        app.text(kMailRecipient), app.text(kMailState), app.text(kMailReply)) +
         rows + "</table>\n";
}

Markup groupMailCounts(ShowApplication& app) {
  long waiting = 0, failed = 0;
  for (const OutboxMail& mail : outboxOf(app).mails()) {
    if (!equalsIgnoreCase(mail.group.view(), app.groupName.view())) continue;
    ++(mail.state == MailState::Failed ? failed : waiting);
  }
  if (waiting == 0 && failed == 0) return Markup();
  return Markup::format("<p>%s</p>\n",
                        Markup::format(app.text(showTexts::kMailCounts), waiting, failed));
}

void applyMailAction(ShowApplication& app, const Text& label) {
  Text id = rawPostedField(app.rawBody().view(), "mail");
  Text action = rawPostedField(app.rawBody().view(), "mailaction");
  if (id.empty() || (action != "retry" && action != "drop")) return;
  Outbox outbox = outboxOf(app);
  std::optional<OutboxMail> mail = outbox.find(id.view());
  if (!mail || !ofRecord(app, mail->group, mail->label, label)) return;
  if (action == "drop") {
    AuditedAction audit(app, "mail dropped");
    outbox.remove(*mail);
    audit.done(app.groupSettingsName, {}, label);
  } else if (mail->state != MailState::Pending) {
    AuditedAction audit(app, "mail retried");
    // A retry starts the mail's retry period anew.
    mail->created = outboxNow();
    mail->next = mail->created;
    outbox.update(*mail, MailState::Waiting);
    audit.done(app.groupSettingsName, {}, label);
    startDetachedOutboxRun(app.home());
  }
}
