// The outbox's files: a mail survives being written and read back whatever
// its values hold, and each state change leaves exactly one file.
#include "common/mail/outbox.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_home.h"

namespace {

OutboxMail sampleMail() {
  OutboxMail mail;
  mail.group = "shop";
  mail.catalog = "orders";
  mail.label = "ORD-7";
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

  ASSERT_TRUE(outbox.markSent(mail, 1796770100, "250 queued"));
  EXPECT_TRUE(outbox.mails().empty());
  std::string log = home.read("outbox/sent.log");
  EXPECT_NE(log.find("\tshop\tORD-7\torders@example.org\t250 queued\n"), std::string::npos) << log;
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
