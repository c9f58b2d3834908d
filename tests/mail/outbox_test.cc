// The outbox's files: a mail survives being written and read back whatever
// its values hold, and each state change leaves exactly one file.
#include "common/mail/outbox.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/mail/outbox_delivery.h"
#include "support/test_home.h"
#include "support/text_print.h"

namespace {

OutboxMail sampleMail() {
  OutboxMail mail;
  mail.group = "shop";
  mail.catalog = "orders";
  mail.label = "ORD-7";
  mail.catalogPath = "/srv/forms/orders.dat";
  mail.sender = "shop@example.org";
  mail.recipient = "orders@example.org";
  mail.subject = "New\r\norder";  // a line break must not add a header line
  mail.body = "name==Ana\n\nrecipient=x@evil\n.\n";
  mail.reply = "451 try later";
  return mail;
}

TEST(OutboxMailText, RoundTripKeepsTheBodyAndOneLineValues) {
  OutboxMail mail = sampleMail();
  mail.created = 1796770000;
  mail.next = 1796770060;
  mail.attempts = 2;
  std::optional<OutboxMail> read = parseOutboxMail(outboxMailText(mail).view());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->subject, "New  order");
  EXPECT_EQ(read->recipient, mail.recipient);
  EXPECT_EQ(read->catalogPath, mail.catalogPath);
  EXPECT_EQ(read->body, mail.body);
  EXPECT_EQ(read->next, mail.next);
  EXPECT_EQ(read->attempts, 2);
  EXPECT_EQ(read->reply, mail.reply);
  for (const char* broken : {"", "recipient=a@b\n", "sender=a\n\nbody", "junk\n\n"})
    EXPECT_FALSE(parseOutboxMail(broken)) << broken;
}

TEST(OutboxMailText, RetryDelaysGrowThenRepeat) {
  long long expected[] = {0, 60, 300, 1800, 7200, 21600, 21600};
  for (int attempts = 0; attempts < 7; ++attempts)
    EXPECT_EQ(retryDelay(attempts), expected[attempts]) << attempts;
}

TEST(Outbox, EachStateIsOneFile) {
  TestHome home;
  Outbox outbox(home.file("outbox/"));
  OutboxMail mail = sampleMail();
  ASSERT_TRUE(outbox.addPending(mail, 1796770000, "www.example.org"));
  EXPECT_EQ(mail.messageId, "<" + mail.id.str() + "@www.example.org>");
  EXPECT_TRUE(std::filesystem::exists(outbox.pathOf(mail).str()));
  EXPECT_EQ(outbox.mails().size(), 1u);

  ASSERT_TRUE(outbox.confirm(mail));
  ASSERT_TRUE(outbox.save(mail, MailState::Failed));
  List<OutboxMail> mails = outbox.mails();
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].state, MailState::Failed);
  EXPECT_EQ(mails[0].messageId, mail.messageId);

  OutboxMail dropped = mail;
  ASSERT_TRUE(outbox.remove(dropped));
  EXPECT_FALSE(outbox.update(dropped, MailState::Waiting));  // a drop stays a drop
  EXPECT_TRUE(outbox.mails().empty());
  ASSERT_TRUE(outbox.save(mail, MailState::Failed));
  ASSERT_TRUE(outbox.update(mail, MailState::Waiting));
  EXPECT_EQ(outbox.mails().size(), 1u);
  ASSERT_TRUE(outbox.markSent(mail, 1796770100, "250 queued"));
  EXPECT_TRUE(outbox.mails().empty());
  std::string log = home.read("outbox/sent.log");
  EXPECT_NE(log.find("\tshop\tORD-7\torders@example.org\t250 queued\n"), std::string::npos) << log;
  List<Outbox::SentEntry> sent = outbox.sentEntries();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].time, 1796770100);
  EXPECT_EQ(sent[0].label, "ORD-7");
  EXPECT_EQ(sent[0].reply, "250 queued");
}

TEST(Outbox, SentLogStaysBounded) {
  TestHome home;
  Outbox outbox(home.file("outbox/"));
  OutboxMail mail = sampleMail();
  mail.reply = std::string(1000, 'r');
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(outbox.addPending(mail, 1796770000 + i, ""));
    outbox.markSent(mail, 1796770000 + i, mail.reply);
  }
  EXPECT_LE(std::filesystem::file_size(home.file("outbox/sent.log")),
            static_cast<uintmax_t>(Outbox::kSentLogLimit) + 2000);
}

}  // namespace

namespace {

class ScriptedSender : public MailSender {
 public:
  explicit ScriptedSender(SmtpOutcome outcome) : outcome_(std::move(outcome)) {}
  SmtpOutcome send(const OutboxMail& mail) override {
    sentIds.push_back(mail.messageId);
    return outcome_;
  }
  List<Text> sentIds;

 private:
  SmtpOutcome outcome_;
};

constexpr long long kStart = 1796770000;

TEST(OutboxDelivery, OutcomesOfOneAttempt) {
  struct Case {
    SmtpOutcome outcome;
    long long age;  // seconds since the mail was created
    MailState state;
    long long delay;
  } cases[] = {
      {{false, "451 4.3.0 later", 0}, 0, MailState::Waiting, 60},
      {{false, "", 10061}, 0, MailState::Waiting, 60},
      {{false, "550 5.1.1 no such user", 0}, 0, MailState::Failed, 60},
      {{false, "451 4.3.0 later", 0}, kRetryPeriod - 30, MailState::Failed, 60},
  };
  for (const Case& c : cases) {
    TestHome home;
    Outbox outbox(home.file("outbox/"));
    OutboxMail mail = sampleMail();
    ASSERT_TRUE(outbox.addPending(mail, kStart - c.age, ""));
    ASSERT_TRUE(outbox.confirm(mail));
    ScriptedSender sender(c.outcome);
    deliverOutbox(outbox, sender, {[] { return kStart; }, kStart + 10, nullptr, nullptr});
    List<OutboxMail> left = outbox.mails();
    ASSERT_EQ(left.size(), 1u) << c.outcome.reply.str();
    EXPECT_EQ(left[0].state, c.state) << c.outcome.reply.str();
    EXPECT_EQ(left[0].next, kStart + c.delay);
    EXPECT_EQ(left[0].attempts, 1) << c.outcome.reply.str();
    EXPECT_FALSE(left[0].reply.empty());
  }
}

TEST(OutboxDelivery, PendingMailsFollowTheirRecordAndOnlyDueOnesAreTried) {
  TestHome home;
  Outbox outbox(home.file("outbox/"));
  OutboxMail stored = sampleMail(), lost = sampleMail(), unknown = sampleMail(),
             later = sampleMail();
  stored.label = "ORD-1";
  lost.label = "ORD-2";
  unknown.label = "ORD-3";
  for (OutboxMail* mail : {&stored, &lost, &unknown, &later})
    ASSERT_TRUE(outbox.addPending(*mail, kStart, ""));
  later.next = kStart + 100;
  ASSERT_TRUE(outbox.save(later, MailState::Waiting));
  auto fate = [](const OutboxMail& mail) {
    return mail.label == "ORD-1"   ? RecordFate::Stored
           : mail.label == "ORD-2" ? RecordFate::NotStored
                                   : RecordFate::Unknown;
  };
  ScriptedSender sender({true, "250 2.0.0 queued", 0});
  DeliveryCounts counts =
      deliverOutbox(outbox, sender, {[] { return kStart; }, kStart, fate, nullptr});
  EXPECT_EQ(counts.confirmed, 1);
  EXPECT_EQ(counts.dropped, 1);
  EXPECT_EQ(counts.sent, 1);
  EXPECT_EQ(sender.sentIds, List<Text>{stored.messageId});
  List<OutboxMail> left = outbox.mails();
  ASSERT_EQ(left.size(), 2u);  // the unknown one, still pending, and the later one
  EXPECT_EQ(deliverOutbox(outbox, sender, {[] { return kStart; }, kStart - 1, fate, nullptr}).sent,
            0);
}

TEST(OutboxDelivery, OneRunAtATime) {
  TestHome home;
  RunnerLock first, second;
  EXPECT_TRUE(first.acquire(home.path()));
  EXPECT_FALSE(second.acquire(home.path()));
  first.release();
  EXPECT_TRUE(second.acquire(home.path()));
}

}  // namespace
