// Reading the webhook spool and the key for the viewer's pages.
#include "show/webhook_status.h"

#include <ctime>

#include "common/access/audit_action.h"
#include "common/cgi/raw_fields.h"
#include "common/mail/outbox_run.h"
#include "common/webhook/webhook_key.h"
#include "common/webhook/webhook_spool.h"
#include "show/mail_status.h"
#include "show/show_application.h"
#include "show/show_texts.h"

namespace {

bool ofRecord(ShowApplication& app, const Text& group, const Text& label, const Text& wanted) {
  return equalsIgnoreCase(group.view(), app.groupSettingsName.view()) && label == wanted;
}

Markup sendAgainButton(ShowApplication& app, const Text& label, const OutboxMail& delivery) {
  ViewTarget target = app.requested();
  target.label = label;
  target.erase = false;
  return app.passwordButton(app.actionUrl(target), app.text(showTexts::kWebhookSendAgain),
                            {{"webhook", delivery.id}});
}

Markup deliveryRow(ShowApplication& app, const Text& label, const OutboxMail& delivery) {
  using namespace showTexts;
  Markup state;
  if (delivery.state == MailState::Failed)
    state = Markup::format("%s", app.text(kMailFailed));
  else
    state = Markup::format(app.text(kMailWaiting), spoolTime(delivery.created),
                           spoolTime(delivery.next));
  Markup action;
  if (delivery.state != MailState::Pending) action = sendAgainButton(app, label, delivery);
  return Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>\n",
                        delivery.recipient, state, delivery.reply, action);
}

}  // namespace

Markup recordWebhookTable(ShowApplication& app, const Text& label) {
  using namespace showTexts;
  Outbox spool = webhookSpool(app.home());
  Markup rows;
  for (const Outbox::SentEntry& sent : spool.sentEntries()) {
    if (!ofRecord(app, sent.group, sent.label, label)) continue;
    rows += Markup::format("<tr><td>%s</td><td>%s</td><td>%s</td><td></td></tr>\n", sent.recipient,
                           Markup::format(app.text(kWebhookDelivered), spoolTime(sent.time)),
                           sent.reply);
  }
  for (const OutboxMail& delivery : spool.mails())
    if (ofRecord(app, delivery.group, delivery.label, label))
      rows += deliveryRow(app, label, delivery);
  if (rows.empty()) return Markup();
  return Markup::format("<h2>%s</h2>\n<table border=1 cellpadding=4>\n", app.text(kWebhooksTitle)) +
         Markup::format("<tr><th>%s</th><th>%s</th><th>%s</th><th></th></tr>\n",
                        app.text(kWebhookAddress), app.text(kMailState), app.text(kWebhookReply)) +
         rows + "</table>\n";
}

void applyWebhookAction(ShowApplication& app, const Text& label) {
  Text id = rawPostedField(app.rawBody().view(), "webhook");
  if (id.empty()) return;
  Outbox spool = webhookSpool(app.home());
  std::optional<OutboxMail> delivery = spool.find(id.view());
  if (!delivery || delivery->state == MailState::Pending ||
      !ofRecord(app, delivery->group, delivery->label, label))
    return;
  AuditedAction audit(app, "webhook sent again");
  // Sent again, it has its whole retry period anew.
  delivery->created = outboxNow();
  delivery->next = delivery->created;
  delivery->attempts = 0;
  spool.update(*delivery, MailState::Waiting);
  audit.done(app.groupSettingsName, delivery->catalog, label);
  startDetachedOutboxRun(app.home());
}

std::optional<bool> applyWebhookKeyAction(ShowApplication& app) {
  const WebhookOptions& options = app.options.webhooks;
  if (!options.enabled() || !options.secret.empty() ||
      rawPostedField(app.rawBody().view(), "webhookkey") != std::string_view("rotate"))
    return std::nullopt;
  AuditedAction audit(app, "webhook key rotated");
  bool rotated = rotateWebhookKey(app.groupPath);
  audit.done(app.groupSettingsName, {}, {}, rotated ? "ok" : "failed");
  return rotated;
}

Markup groupWebhookKey(ShowApplication& app, std::optional<bool> rotated) {
  using namespace showTexts;
  const WebhookOptions& options = app.options.webhooks;
  if (!options.enabled()) return Markup();
  Markup note;
  if (rotated)
    note =
        Markup::format("<p>%s</p>\n", app.text(*rotated ? kWebhookKeyRotated : kWebhookKeyFailed));
  Markup body = Markup::format("<h2>%s</h2>\n", app.text(kWebhookKeyTitle)) + note;
  if (!options.secret.empty())
    return body + Markup::format("<p>%s</p>\n", app.text(kWebhookKeyInOptions));
  std::optional<Text> key = webhookKeyText(options, app.groupPath);
  if (!key) return body + Markup::format("<p>%s</p>\n", app.text(kWebhookKeyFailed));
  return body + Markup::format("<p><tt>%s</tt></p>\n", *key) +
         Markup::format("<div>%s</div>\n",
                        app.passwordButton(app.actionUrl(ViewTarget{}), app.text(kWebhookRotate),
                                           {{"webhookkey", "rotate"}}));
}
