// One run over the outbox.
#include "common/mail/outbox_delivery.h"

#include <unistd.h>

#include "common/files/lock_file.h"

namespace {

// Why no server answered, for the record page: the named socket error or a
// plain description.
Text failureText(const SmtpOutcome& outcome) {
  if (!outcome.reply.empty()) return outcome.reply;
  return "no answer from the mail server (error " + Text::fromInt(outcome.code) + ")";
}

void settlePending(Outbox& outbox, OutboxMail& mail, const DeliveryRun& run,
                   DeliveryCounts& counts) {
  switch (run.fateOf(mail)) {
    case RecordFate::Stored:
      if (outbox.confirm(mail)) ++counts.confirmed;
      break;
    case RecordFate::NotStored:
      if (outbox.remove(mail)) ++counts.dropped;
      break;
    case RecordFate::Unknown: break;
  }
}

void attempt(Outbox& outbox, MailSender& sender, OutboxMail& mail, const DeliveryRun& run,
             DeliveryCounts& counts) {
  SmtpOutcome outcome = sender.send(mail);
  long long now = run.now();
  if (outcome.sent) {
    outbox.markSent(mail, now, outcome.reply);
    ++counts.sent;
    if (run.noteOutcome) run.noteOutcome(mail, "delivered");
    return;
  }
  MailState state = noteFailedAttempt(mail, outcome, now, sender.refusedForGood(outcome));
  outbox.update(mail, state);
  bool failed = state == MailState::Failed;
  ++(failed ? counts.failed : counts.retried);
  if (run.noteOutcome) run.noteOutcome(mail, failed ? "failed" : "retry");
}

}  // namespace

void makeEveryWaitingDue(Outbox& outbox) {
  long long now = outboxNow();
  for (OutboxMail& mail : outbox.mails()) {
    if (mail.state != MailState::Waiting || mail.next <= now) continue;
    mail.next = now;
    outbox.update(mail, MailState::Waiting);
  }
}

bool MailSender::refusedForGood(const SmtpOutcome& outcome) const {
  return permanentRefusal(outcome.reply);
}

MailState noteFailedAttempt(OutboxMail& mail, const SmtpOutcome& outcome, long long now) {
  return noteFailedAttempt(mail, outcome, now, permanentRefusal(outcome.reply));
}

MailState noteFailedAttempt(OutboxMail& mail, const SmtpOutcome& outcome, long long now,
                            bool refusedForGood) {
  mail.attempts += 1;
  mail.reply = failureText(outcome);
  mail.next = now + retryDelay(mail.attempts);
  bool outOfTime = mail.next > mail.created + kRetryPeriod;
  return refusedForGood || outOfTime ? MailState::Failed : MailState::Waiting;
}

DeliveryCounts deliverOutbox(Outbox& outbox, MailSender& sender, const DeliveryRun& run) {
  DeliveryCounts counts;
  for (OutboxMail& mail : outbox.mails()) {
    if (run.now() > run.deadline) break;
    if (mail.state == MailState::Pending && run.fateOf) settlePending(outbox, mail, run, counts);
    if (mail.state != MailState::Waiting || mail.next > run.now()) continue;
    // The administrator may have dropped it since the folder was read; the
    // body is read only now, for the mail that is sent.
    if (!outbox.readBody(mail)) continue;
    attempt(outbox, sender, mail, run, counts);
  }
  return counts;
}

bool RunnerLock::acquire(const Text& folder, bool wait) {
  release();
  fd_ = openLockFile(folder + "runner.lck", 0600, wait);
  return fd_ >= 0;
}

void RunnerLock::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
