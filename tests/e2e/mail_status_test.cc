// The notifications of a record in show: sent, waiting and failed mails
// with the server's reply, the group's counts, and the administrator's retry
// and drop, which touch only the mails of the record on the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

class MailStatus : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.path() + "shop.grp\n");
    home.write("shop.grp", "index=none\ncatalog=orders order\nlabel=ORD-\n");
    home.write("orders.dat", "&LABEL==ORD-1\na==1\n\n&LABEL==ORD-2\na==2\n\n");
    std::filesystem::create_directories(home.file("outbox"));
    writeMail("20261208000001.aaaaaaaaaaaa.mail", "ORD-1", "w@example.org", "451 4.3.0 later");
    writeMail("20261208000002.bbbbbbbbbbbb.failed", "ORD-1", "f@example.org", "550 no <user>");
    writeMail("20261208000003.cccccccccccc.failed", "ORD-2", "o@example.org", "550 other");
    home.write("outbox/sent.log",
               "1796770000\t20261208000000.dddddddddddd\t<d@x>\tshop\tORD-1\ts@example.org\t250 "
               "queued\n");
  }

  void writeMail(const std::string& name, const std::string& label, const std::string& to,
                 const std::string& reply) {
    home.write("outbox/" + name,
               "message-id=<m@x>\ngroup=shop\ncatalog=orders\nlabel=" + label +
                   "\ncreated=1796770000\nnext=1796770060\nattempts=1\nreply=" + reply +
                   "\nsender=s@x\nrecipient=" + to + "\nsubject=s\n\nb\n");
  }

  std::string view(const std::string& query, const std::string& body = "password=Secret") {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", query, body),
                  body)
        .output;
  }

  TestHome home;
};

TEST_F(MailStatus, RecordPageListsItsOwnMailsAndGroupPageCountsThem) {
  std::string page = view("label=ORD-1&catalog=orders");
  for (const char* shown : {"Notifications", "s@example.org", "250 queued", "w@example.org",
                            "451 4.3.0 later", "f@example.org", "550 no &lt;user&gt;", "failed"})
    EXPECT_NE(page.find(shown), std::string::npos) << shown;
  EXPECT_EQ(page.find("o@example.org"), std::string::npos);
  EXPECT_NE(view("").find("Mails waiting: 1, failed: 2"), std::string::npos);
}

TEST_F(MailStatus, DropAndRetryTouchOnlyTheRecordsMails) {
  view("label=ORD-1&catalog=orders",
       "password=Secret&mail=20261208000003.cccccccccccc&mailaction=drop");  // ORD-2's mail
  EXPECT_TRUE(home.exists("outbox/20261208000003.cccccccccccc.failed"));
  view("label=ORD-1&catalog=orders",
       "password=Secret&mail=20261208000002.bbbbbbbbbbbb&mailaction=retry");
  EXPECT_FALSE(home.exists("outbox/20261208000002.bbbbbbbbbbbb.failed"));
  EXPECT_TRUE(home.exists("outbox/20261208000002.bbbbbbbbbbbb.mail"));
  view("label=ORD-1&catalog=orders", "mail=20261208000001.aaaaaaaaaaaa&mailaction=drop");
  EXPECT_TRUE(home.exists("outbox/20261208000001.aaaaaaaaaaaa.mail"));  // no password
  view("label=ORD-1&catalog=orders",
       "password=Secret&mail=20261208000001.aaaaaaaaaaaa&mailaction=drop");
  EXPECT_FALSE(home.exists("outbox/20261208000001.aaaaaaaaaaaa.mail"));
}

TEST_F(MailStatus, ErasingARecordDropsItsUnsentMails) {
  view("label=ORD-1&catalog=orders&erase=1", "password=Secret&confirm=ORD-1");
  EXPECT_FALSE(home.exists("outbox/20261208000001.aaaaaaaaaaaa.mail"));
  EXPECT_FALSE(home.exists("outbox/20261208000002.bbbbbbbbbbbb.failed"));
  EXPECT_TRUE(home.exists("outbox/20261208000003.cccccccccccc.failed"));
}

}  // namespace
