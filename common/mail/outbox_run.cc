// The outbox runs: settling pending mails under their group's
// lock, sending over the configured mail server, detaching from the request.
#include "common/mail/outbox_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/files/detached_process.h"
#include "common/files/group_lock.h"
#include "common/files/path.h"
#include "common/mail/failure_alert.h"
#include "common/mail/mail_delivery.h"
#include "common/metrics/metric_events.h"
#include "common/metrics/metrics_state.h"
#include "common/settings/settings_file.h"
#include "common/webhook/webhook_run.h"

namespace {

// Keeps the label of the record being read.
class LabelSink : public FieldSink {
 public:
  bool wants(std::string_view name) override { return equalsIgnoreCase(name, "&label"); }
  void field(std::string_view name, std::string_view value) override {
    if (equalsIgnoreCase(name, "&label")) label = Text(value);
  }
  Text label;
};

// Whether the catalog file holds a record labelled `label`; none when the
// file cannot be read through.
std::optional<bool> catalogHolds(const Text& path, const RecordLayout& layout, const Text& label) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return errno == ENOENT ? std::optional<bool>(false) : std::nullopt;
  BlockLines lines(file);
  std::optional<bool> found = false;
  for (;;) {
    LabelSink sink;
    RecordRead read = layout.read(lines, sink);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) {
      found = std::nullopt;
      break;
    }
    if (sink.label == label) {
      found = true;
      break;
    }
  }
  std::fclose(file);
  return found;
}

}  // namespace

// Under the group's lock no submission is under way: a mail still pending
// belongs to one that died, before or after storing its record.
RecordFate recordFateOf(const SystemSettings& settings, const OutboxMail& mail) {
  const Param* entry = settings.groups.find(mail.group);
  if (!entry || mail.catalogPath.empty()) return RecordFate::Unknown;
  GroupLock lock;
  if (!lock.acquire(entry->value)) return RecordFate::Unknown;
  bool readable = false;
  Text content = readFileBytes(entry->value, &readable);
  RecordLayout layout = recordLayoutOf(parseGroupFile(content, entry->value));
  std::optional<bool> holds = catalogHolds(mail.catalogPath, layout, mail.label);
  if (!holds) return RecordFate::Unknown;
  return *holds ? RecordFate::Stored : RecordFate::NotStored;
}

namespace {

class SmtpSender : public MailSender {
 public:
  explicit SmtpSender(const SystemSettings& settings) : settings_(settings) {}
  SmtpOutcome send(const OutboxMail& mail) override {
    MailMessage message{Text(),    mail.sender,    mail.recipient, mail.subject,
                        mail.body, mail.messageId, mail.created};
    return deliverMail(mailSettings(settings_), message);
  }

 private:
  const SystemSettings& settings_;
};

bool dueMailWaits(const Outbox& outbox) {
  long long now = outboxNow();
  for (const OutboxMail& mail : outbox.mails())
    if (mail.state == MailState::Waiting && mail.next <= now) return true;
  return false;
}

}  // namespace

Text outboxFolder(const Text& home) { return home + "outbox/"; }

namespace {

// A submission whose runner found the lock taken counts on the run that
// holds it: after letting go, that run looks once more for due mails.
DeliveryCounts runMail(const Text& home, const SystemSettings& settings, long long deadline,
                       bool everyWaiting) {
  DeliveryCounts total;
  Outbox outbox(outboxFolder(home));
  SmtpSender sender(settings);
  AlertSettings alerts = alertSettingsOf(settings);
  DeliveryRun run{outboxNow, deadline,
                  [&](const OutboxMail& mail) { return recordFateOf(settings, mail); },
                  [&](const OutboxMail& mail, std::string_view outcome) {
                    countMetricEvent(home, kMailDeliveryMetric, mail.group.view(), outcome);
                  }};
  // The command waits for a run under way: it was asked for.
  bool wait = everyWaiting;
  do {
    RunnerLock lock;
    if (!lock.acquire(outbox.folder(), wait)) break;
    if (everyWaiting) makeEveryWaitingDue(outbox);
    everyWaiting = wait = false;
    for (;;) {
      DeliveryCounts counts = deliverOutbox(outbox, sender, run);
      total += counts;
      if (!counts.any() || outboxNow() > deadline) break;
    }
    // After the attempts, so that a mail that failed in this run is listed.
    if (queueFailureDigest(outbox, alerts, outboxNow()))
      total += deliverOutbox(outbox, sender, run);
  } while (outboxNow() <= deadline && dueMailWaits(outbox));
  return total;
}

}  // namespace

DeliveryCounts runOutbox(const Text& home, long long seconds, bool everyWaiting) {
  bool readable = false;
  SystemSettings settings = parseSettingsFile(readFileBytes(home + "kalder.ini", &readable).view());
  if (!readable) return DeliveryCounts();
  long long deadline = outboxNow() + seconds;
  DeliveryCounts total = runMail(home, settings, deadline, everyWaiting);
  total += runWebhooks(home, settings, deadline, everyWaiting);
  // After the attempts, so that their outcomes are in the totals.
  foldMetricEvents(home);
  return total;
}

void startDetachedOutboxRun(const Text& home) {
  startDetached([&] { runOutbox(home, kDetachedRunSeconds); });
}
