// Outbox: the durable queue of notification mails, one file per mail in the
// home's "outbox" folder, each written through a temporary file and flushed
// before anyone tries to deliver it, so that no crash loses a mail.
//
// A mail's state is its file's ending:
//   <id>.pending  written before its record is stored; not yet to be sent
//   <id>.mail     its record is stored: delivered when due (see retryDelay)
//   <id>.failed   refused for good (a 5xx reply) or out of retries
// A delivered mail's file is removed and a line added to "sent.log".
//
// The bytes of a mail file: "key=value" lines (values on one line), an empty
// line, then the body as it will be sent (line feeds as line ends):
//
//   message-id=<20261208230501.k3J9xq2a@kalder>
//   group=shop          catalog=orders        label=ORD-7
//   catalog-path=/srv/forms/orders.dat
//   created=1796770000  next=1796770060       attempts=1
//   reply=451 4.3.0 try again later
//   sender=shop@example.org   recipient=orders@example.org   subject=New order
//
// The webhook spool (the home's "webhooks" folder) keeps its deliveries in
// the same files and states, with ".hook" for waiting, the address as
// "url=" and no sender or subject lines: the body is the JSON posted.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

enum class MailState { Pending, Waiting, Failed };

// What sets a spool's files apart: the ending of a waiting file, the key of
// the address, and whether the mail's own lines (sender, subject) are kept.
struct SpoolKind {
  std::string_view waitingEnding;
  std::string_view addressKey;
  bool mailHeaders;
};
inline constexpr SpoolKind kMailSpool{".mail", "recipient", true};
inline constexpr SpoolKind kWebhookSpool{".hook", "url", false};

struct OutboxMail {
  Text id;  // the file name without its ending
  MailState state = MailState::Pending;
  Text messageId;
  Text group, catalog, label;
  Text catalogPath;       // the catalog file its record goes into
  long long created = 0;  // seconds since the epoch
  long long next = 0;     // when the next attempt is due
  int attempts = 0;
  Text reply;  // the last reply of a server, or why no server answered
  Text sender, recipient, subject, body;
  // False for a mail listed by Outbox::mails(): its body is still on disk
  // (Outbox::readBody).
  bool bodyRead = true;
};

// The bytes of a mail file, and the mail they hold (none for a file that is
// not one: its header has no recipient or no empty line ends it).
Text outboxMailText(const OutboxMail& mail, const SpoolKind& kind = kMailSpool);
std::optional<OutboxMail> parseOutboxMail(std::string_view bytes,
                                          const SpoolKind& kind = kMailSpool);

// How long to wait after the `attempts`-th failed attempt: 1, 5 and 30
// minutes, 2 hours, then every 6 hours. A mail whose next attempt would
// come more than kRetryPeriod after it was created has failed.
long long retryDelay(int attempts);
inline constexpr long long kRetryPeriod = 3LL * 24 * 3600;

class Outbox {
 public:
  // `folder` ends with "/"; it is created when a mail is first added.
  explicit Outbox(Text folder, const SpoolKind& kind = kMailSpool)
      : folder_(std::move(folder)), kind_(kind) {}

  // Writes a new mail as pending, with a fresh id and the Message-ID
  // "<id@domain>", flushed to disk with its folder; false when it cannot be
  // written.
  // `complete`, when given, finishes the mail once its id is known.
  bool addPending(OutboxMail& mail, long long now, std::string_view domain,
                  const std::function<void(OutboxMail&)>& complete = {});
  // Pending -> Waiting, by a rename (flushed).
  bool confirm(OutboxMail& mail);
  // Writes the mail under its id and state (removing the file of its old
  // state when that changed).
  bool save(OutboxMail& mail, MailState state);
  // The same for a mail that is already in the outbox, only while its file
  // is still there: false when it was dropped meanwhile, which stays so.
  bool update(OutboxMail& mail, MailState state);
  // Removes the mail's file.
  bool remove(const OutboxMail& mail);
  // Removes every mail that `which` picks, in whatever state (none of them
  // is sent); how many went.
  int removeWhere(const std::function<bool(const OutboxMail&)>& which);
  // Every mail in the folder, oldest first; unreadable files are skipped.
  // Only each file's header lines are read: the bodies stay on disk, so a
  // listing costs the same however long the mails are.
  List<OutboxMail> mails() const;
  // Reads the body of a listed mail (before sending it); false when its file
  // is gone or no longer a mail. save and update read it themselves.
  bool readBody(OutboxMail& mail) const;
  // Whether the mail's file is still there in its state.
  bool holds(const OutboxMail& mail) const;
  // The mail of that id in any state.
  std::optional<OutboxMail> find(std::string_view id) const;

  // The delivered mail leaves the outbox; "sent.log" gets a line with its
  // time, id, group, label, recipient and the server's reply, and is cut to
  // its newer half when it grows past kSentLogLimit.
  bool markSent(const OutboxMail& mail, long long now, std::string_view reply);
  static constexpr long kSentLogLimit = 1L << 20;

  // The lines of "sent.log", oldest first.
  struct SentEntry {
    long long time = 0;
    Text id, messageId, group, label, recipient, reply;
  };
  List<SentEntry> sentEntries() const;
  // Rewrites "sent.log" without the lines whose entries `drop` picks, every
  // other line byte for byte; how many went (none when nothing changed),
  // -1 when the log could not be rewritten. REQUIRES: the RunnerLock, which
  // every writer of the log holds (markSent is called in a run).
  long dropSentEntries(const std::function<bool(const SentEntry&)>& drop);

  const Text& folder() const { return folder_; }
  const SpoolKind& kind() const { return kind_; }
  Text pathOf(const OutboxMail& mail) const;
  // The ending of a state's files in this spool.
  std::string_view endingOf(MailState state) const;

 private:
  bool ensureFolder() const;

  Text folder_;
  SpoolKind kind_;
};

// Seconds since the epoch: the outbox's clock (created, next, sent.log).
long long outboxNow();

// The ending of a state's files (".pending", ".mail", ".failed").
std::string_view mailStateEnding(MailState state);
