// Delivering the outbox: each due mail tried once per run, its outcome
// written back (sent and logged, waiting for its next try, or failed), and
// pending mails of submissions that died settled by looking their record up.
#pragma once

#include <functional>

#include "common/mail/outbox.h"
#include "common/mail/smtp_dialogue.h"

// Sends one mail; tests put a scripted server in its place.
class MailSender {
 public:
  virtual ~MailSender() = default;
  virtual SmtpOutcome send(const OutboxMail& mail) = 0;
  // Whether a failed attempt's outcome refuses for good: a mail server's
  // 5xx reply.
  virtual bool refusedForGood(const SmtpOutcome& outcome) const;
};

// What became of a pending mail's record: stored (the mail is to be sent),
// not stored (the mail is dropped), or not known yet (it stays pending).
enum class RecordFate { Stored, NotStored, Unknown };

struct DeliveryCounts {
  int sent = 0, retried = 0, failed = 0, confirmed = 0, dropped = 0;

  DeliveryCounts& operator+=(const DeliveryCounts& more) {
    sent += more.sent;
    retried += more.retried;
    failed += more.failed;
    confirmed += more.confirmed;
    dropped += more.dropped;
    return *this;
  }
  bool any() const { return sent + retried + failed + confirmed + dropped > 0; }
};

struct DeliveryRun {
  std::function<long long()> now;  // seconds since the epoch
  long long deadline = 0;          // no new attempt starts after it
  // Looks a pending mail's record up; it must hold the group's lock while
  // it does, so that it never sees a submission still in progress.
  std::function<RecordFate(const OutboxMail&)> fateOf;
  // Told each attempt's outcome: "delivered", "retry" or "failed".
  std::function<void(const OutboxMail&, std::string_view outcome)> noteOutcome;
};

// A reply that refuses for good: a 5xx code.
inline bool permanentRefusal(const Text& reply) { return reply.length() >= 3 && reply[0] == '5'; }

// At most one run at a time: an flock on "runner.lck" in the outbox folder,
// released when the holder ends, however it ends.
class RunnerLock {
 public:
  RunnerLock() = default;
  RunnerLock(const RunnerLock&) = delete;
  RunnerLock& operator=(const RunnerLock&) = delete;
  ~RunnerLock() { release(); }
  // False at once when another run holds it (or the folder is missing),
  // unless `wait`: then it waits for that run to end.
  bool acquire(const Text& folder, bool wait = false);
  void release();

 private:
  int fd_ = -1;
};

// Makes every waiting mail due now: a run asked for by the administrator
// does not wait out the retry schedule.
void makeEveryWaitingDue(Outbox& outbox);

// Tries every due mail of `outbox` once, oldest first.
DeliveryCounts deliverOutbox(Outbox& outbox, MailSender& sender, const DeliveryRun& run);

// Notes a failed attempt at `now` in the mail; returns its new state: waiting
// for its next try, or failed (a 5xx reply, or a next try past its retry
// period).
MailState noteFailedAttempt(OutboxMail& mail, const SmtpOutcome& outcome, long long now);
MailState noteFailedAttempt(OutboxMail& mail, const SmtpOutcome& outcome, long long now,
                            bool refusedForGood);
