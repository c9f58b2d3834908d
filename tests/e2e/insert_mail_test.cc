// insert's notifications through a real SMTP server (the capture server of
// tests/tools): template mail, the default mail with its link to the record
// viewer, several recipients, and the outbox that keeps what the server
// refuses or cannot take yet.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "support/cgi_run.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"

namespace {

class InsertMailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sink.port(), 0);
    home.write("kalder.ini",
               "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                   "\nserverName=www.example.org\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("order.msg", "Thanks.\n");
  }

  CgiResult submit(const std::string& query, const std::string& body) {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", query, body), body);
  }

  // The decoded mails once `count` arrived (or 10 seconds passed).
  std::vector<std::string> mails(size_t count = 1, int seconds = 10) {
    std::vector<std::string> decoded;
    for (const std::string& mail : sink.mails(count, seconds))
      decoded.push_back(SmtpSink::decoded(mail));
    return decoded;
  }

  // The outbox's files of that ending once there are `count` (or 10 seconds
  // passed), each file's content.
  std::vector<std::string> outboxFiles(const std::string& ending, size_t count) {
    std::vector<std::string> found;
    for (int i = 0; i < 500; ++i) {
      found.clear();
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(home.file("outbox"), error))
        if (entry.path().extension() == ending)
          found.push_back(home.read("outbox/" + entry.path().filename().string()));
      if (found.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return found;
  }

  CgiResult flush(const std::string& arguments = "") {
    return runMailCommand(home.path(), arguments);
  }

  SmtpSink sink{"refused"};
  TestHome home;
};

TEST_F(InsertMailTest, TemplateGivesSenderSubjectAndBody) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n"
             "response=boss@example.org order.tmt\n");
  home.write("order.tmt",
             "shop@example.org\nOrder <var &label> from <var name>\nName: <var name>\n.\n"
             "Note:\n<var note>\n");
  CgiResult r = submit("", "name=Ana+%3Cb%3E&note=one%0D%0A.%0D%0Athree");
  ASSERT_EQ(r.status, 0) << r.output;
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].substr(0, mails[0].find("Date: ")),
            "HELO 127.0.0.1\r\nMAIL FROM: <shop@example.org>\r\nRCPT TO: <boss@example.org>\r\n"
            "DATA\r\nFrom: shop@example.org\r\nTo: boss@example.org\r\n"
            "Subject: Order Q-42 from Ana <b>\r\n");
  EXPECT_NE(mails[0].find("\r\nMessage-ID: <"), std::string::npos);
  EXPECT_NE(mails[0].find("@www.example.org>\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: text/plain; charset=UTF-8\r\n"
                          "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                          "Name: Ana <b>\r\n.\r\nNote:\r\none\r\n.\r\nthree\r\n\r\n"),
            std::string::npos)
      << mails[0];
}

// A relative recipients file is found where a CGI server starts the program
// (the directory of its file); a resident process answers each request there
// too, not where it was started.
TEST_F(InsertMailTest, RelativeRecipientsFileIsFoundBesideTheProgram) {
  std::filesystem::create_directories(home.file("cgi-bin"));
  home.write("cgi-bin/staff.txt", "staff@example.org\n");
  home.write("shop.grp", "vars=DT\nform=order\ncatalog=orders order\nresponse=@staff.txt\n");
  Environment env = postEnvironment(home.path(), "insert", "shop", "", "name=Ana");
  env["SCRIPT_FILENAME"] = home.file("cgi-bin/insert.exe");
  ASSERT_EQ(runCgi(programPath("insert"), env, "name=Ana").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("RCPT TO: <staff@example.org>\r\n"), std::string::npos) << mails[0];
}

TEST_F(InsertMailTest, DefaultMailCarriesTheRecordAndALinkToIt) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=6\nlabel=A&B \n"
             "response=a@example.org,b@example.org\n");
  ASSERT_EQ(submit("reflabel=R-1", "name=Ana&note=two%0Alines").status, 0);
  auto mails = this->mails(2);
  ASSERT_EQ(mails.size(), 2u);
  std::string body =
      "\r\n\r\n&LABEL==A&B 7\r\n&FORMID==order\r\n"
      "&COMPUTER==192.0.2.7\r\n&REFLABEL==R-1\r\nname==Ana\r\nnote=+LABEL\r\ntwo\r\nlines\r\n"
      "LABEL\r\n\r\nhttp://www.example.org/cgi-bin/show.exe/"
      "shop?label=A%26B%207&catalog=orders\r\n";
  // One mail to each, queued in the same instant: they may go in either order.
  bool toA = mails[0].find("RCPT TO: <a@example.org>\r\n") != std::string::npos;
  EXPECT_NE(mails[toA ? 0 : 1].find("RCPT TO: <a@example.org>\r\n"), std::string::npos);
  EXPECT_NE(mails[toA ? 1 : 0].find("RCPT TO: <b@example.org>\r\n"), std::string::npos);
  for (const std::string& mail : mails) {
    EXPECT_NE(mail.find("MAIL FROM: <kalder@"), std::string::npos);
    EXPECT_NE(mail.find("\r\nSubject: New Entry in catalog orders\r\n"), std::string::npos);
    EXPECT_NE(mail.find(body), std::string::npos) << mail;
  }
}

// As in a record: a line feed in a field name is a space, and a posted field
// named like a system value is left out.
TEST_F(InsertMailTest, DefaultMailKeepsNamesOnOneLineAndSystemNamesOut) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=6\n"
             "response=a@example.org\n");
  ASSERT_EQ(submit("", "na%0A%26LABEL=Ana&%26LABEL=Q-99&%26FORMID=x").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("\r\n\r\n&LABEL==7\r\n&FORMID==order\r\n&COMPUTER==192.0.2.7\r\n"
                          "na &LABEL==Ana\r\n\r\nhttp://"),
            std::string::npos)
      << mails[0];
}

TEST_F(InsertMailTest, TemplateSeesTheSystemValuesNotPostedOnes) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=6\n"
             "response=a@example.org order.tmt\n");
  home.write("order.tmt", "shop@example.org\nOrder <var &label>\n<var &catalog> <var &label>\n");
  ASSERT_EQ(submit("", "%26label=Q-99&%26catalog=x").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("Subject: Order 7\r\n"), std::string::npos) << mails[0];
  EXPECT_NE(mails[0].find("\r\n\r\norders 7\r\n"), std::string::npos) << mails[0];
}

// Only a POST stores and mails: the GET before it leaves no mail and no label.
TEST_F(InsertMailTest, GetMailsNothing) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org\n");
  CgiResult refused =
      runCgi(programPath("insert"), getEnvironment(home.path(), "insert", "shop", "a=get"));
  EXPECT_EQ(refused.status, 1);
  ASSERT_EQ(submit("", "a=post").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("&LABEL==1\r\n&FORMID==order\r\n&COMPUTER==192.0.2.7\r\na==post\r\n"),
            std::string::npos)
      << mails[0];
}

TEST_F(InsertMailTest, OnlyTheFirstMatchingResponseIsUsed) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\nform=other\ncatalog=orders order,other\n"
             "response=x@example.org - other\nresponse=y@example.org - - orders\n"
             "response=z@example.org\n");
  ASSERT_EQ(submit("", "a=1").status, 0);
  auto mails = this->mails(1, 2);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("RCPT TO: <y@example.org>"), std::string::npos);
}

TEST_F(InsertMailTest, DefaultSubjectInSlovenian) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org\n");
  ASSERT_EQ(submit("language=slo", "a=1").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("Subject: Nov zapis v katalogu orders\r\n"), std::string::npos);
}

// The visitor's answer never waits for the mail server: what it refuses for
// good is kept as failed with its reply, the other recipients get theirs.
TEST_F(InsertMailTest, RefusedRecipientFailsInTheOutboxAfterTheAnswer) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org,refused@example.org,c@example.org\n");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("Thanks."), std::string::npos) << r.output;
  EXPECT_EQ(mails(2).size(), 2u);
  std::vector<std::string> failed = outboxFiles(".failed", 1);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0].find("reply=550 5.1.1 Recipient refused\n"), std::string::npos);
  EXPECT_NE(failed[0].find("recipient=refused@example.org\n"), std::string::npos);
  EXPECT_EQ(home.read("orders.dat"), "&LABEL==1\n&FORMID==order\n&COMPUTER==192.0.2.7\na==1\n\n");
}

// A server that is down, then up: every mail is kept, then arrives once.
TEST_F(InsertMailTest, MailsWaitForAServerThatIsDownAndArriveOnce) {
  home.write("kalder.ini",
             "[GENERAL]\nmailServer=127.0.0.1:1\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nresponse=a@example.org\n");
  constexpr int kSubmissions = 200;
  for (int i = 0; i < kSubmissions; ++i) {
    CgiResult r = submit("", "n=" + std::to_string(i));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Thanks."), std::string::npos);
  }
  EXPECT_EQ(outboxFiles(".mail", kSubmissions).size(), size_t{kSubmissions});
  EXPECT_EQ(flush().status, 0);  // not due yet: nothing tried, nothing lost
  home.write("kalder.ini", "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                               "\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  CgiResult flushed = flush("--all");
  EXPECT_EQ(flushed.status, 0);
  EXPECT_NE(flushed.output.find("sent " + std::to_string(kSubmissions)), std::string::npos)
      << flushed.output;
  std::vector<std::string> arrived = mails(kSubmissions);
  ASSERT_EQ(arrived.size(), size_t{kSubmissions});
  std::set<std::string> bodies;
  for (const std::string& mail : arrived) bodies.insert(mail.substr(mail.find("n==")));
  EXPECT_EQ(bodies.size(), size_t{kSubmissions});
  EXPECT_TRUE(outboxFiles(".mail", 0).empty());
}

// A submission killed between writing its mails and storing its record, or
// after storing but before confirming them: the next run sends the mail of
// the stored record and drops the other.
TEST_F(InsertMailTest, PendingMailsOfADeadSubmissionFollowTheirRecord) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nresponse=a@example.org\n");
  home.write("orders.dat", "&LABEL==5\n&FORMID==order\na==1\n\n");
  std::filesystem::create_directories(home.file("outbox"));
  for (const char* label : {"5", "6"}) {
    home.write(std::string("outbox/20261208000000.00000") + label + ".pending",
               std::string("message-id=<x") + label + "@x>\ngroup=shop\ncatalog=orders\nlabel=" +
                   label + "\ncatalog-path=" + home.file("orders.dat") +
                   "\ncreated=1\nnext=1\nattempts=0\nreply=\nsender=s@x\nrecipient=a@example.org"
                   "\nsubject=record " +
                   label + "\n\nbody\n");
  }
  CgiResult flushed = flush();
  EXPECT_NE(flushed.output.find("sent 1, retried 0, failed 0, settled 1, dropped 1"),
            std::string::npos)
      << flushed.output;
  std::vector<std::string> arrived = mails(1);
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_NE(arrived[0].find("Subject: record 5\r\n"), std::string::npos);
  EXPECT_NE(arrived[0].find("Message-ID: <x5@x>\r\n"), std::string::npos);
  EXPECT_TRUE(outboxFiles(".pending", 0).empty());
}

// A server that answers 451 once, and one that drops the connection past the
// final dot once: the mail is kept and arrives on the retry, in the second
// case twice with one Message-ID (delivery is at least once).
TEST_F(InsertMailTest, TemporaryFailuresAreRetriedWithTheSameMessageId) {
  struct Case {
    const char* option;
    size_t arrivals;
  } cases[] = {{"--defer", 1}, {"--drop-after-data", 2}};
  for (const Case& c : cases) {
    SmtpSink faulty("", {c.option, "1"});
    ASSERT_NE(faulty.port(), 0);
    home.write("kalder.ini", "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(faulty.port()) +
                                 "\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp",
               "vars=DT\nindex=none\nform=order\ncatalog=orders order\nresponse=a@example.org\n");
    ASSERT_EQ(submit("", "a=1").status, 0);
    std::vector<std::string> waiting;
    for (int i = 0;
         i < 500 && (waiting.empty() || waiting[0].find("attempts=1") == std::string::npos); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      waiting = outboxFiles(".mail", 1);
    }
    ASSERT_EQ(waiting.size(), 1u) << c.option;
    EXPECT_EQ(flush("--all").status, 0);
    std::vector<std::string> arrived = faulty.mails(c.arrivals);
    ASSERT_EQ(arrived.size(), c.arrivals) << c.option;
    size_t id = arrived[0].find("Message-ID: ");
    ASSERT_NE(id, std::string::npos);
    std::string messageId = arrived[0].substr(id, arrived[0].find("\r\n", id) - id);
    for (const std::string& mail : arrived) EXPECT_NE(mail.find(messageId), std::string::npos);
    EXPECT_TRUE(outboxFiles(".mail", 0).empty()) << c.option;
    std::filesystem::remove_all(home.file("outbox"));
  }
}

TEST_F(InsertMailTest, NoMailServerKeepsTheMailWaiting) {
  home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org\n");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("Thanks."), std::string::npos) << r.output;
  std::vector<std::string> waiting;
  for (int i = 0;
       i < 500 && (waiting.empty() || waiting[0].find("attempts=1") == std::string::npos); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    waiting = outboxFiles(".mail", 1);
  }
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_NE(waiting[0].find("reply=Mail Server is unknown\n"), std::string::npos) << waiting[0];
}

TEST_F(InsertMailTest, UnwritableOutboxIsAMailErrorAndNothingIsStored) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nresponse=a@example.org\n");
  home.write("outbox", "a file where the folder should be");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Mail Error: the notification cannot be written to the outbox"),
            std::string::npos)
      << r.output;
  EXPECT_FALSE(home.exists("orders.dat"));
  EXPECT_EQ(home.read("shop.grp").find("count="), std::string::npos);
}

}  // namespace
