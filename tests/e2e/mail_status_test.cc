// The notifications of a record in show: sent, waiting and failed mails
// with the server's reply, the group's counts, and the administrator's retry
// and drop, which touch only the mails of the record on the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
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
                 const std::string& reply, const std::string& group = "shop") {
    home.write("outbox/" + name,
               "message-id=<m@x>\ngroup=" + group + "\ncatalog=orders\nlabel=" + label +
                   "\ncreated=1796770000\nnext=1796770060\nattempts=1\nreply=" + reply +
                   "\nsender=s@x\nrecipient=" + to + "\nsubject=s\n\nb\n");
  }

  std::string view(const std::string& query, const std::string& body = "password=Secret",
                   const std::string& group = "shop") {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", group, query, body),
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

// The outbox files a mail under kalder.ini's spelling of its group, and show
// finds mails of either spelling, so erasing a record drops its mail however
// the form's address spelled the group.
TEST_F(MailStatus, AGroupIsOneGroupWhateverItsLetterCase) {
  home.write("shop.grp",
             "index=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=2\n"
             "response=boss@example.org\n");
  home.write("order.msg", "Stored.\n");
  writeMail("20261208000004.eeeeeeeeeeee.mail", "ORD-2", "old@example.org", "451 later", "SHOP");
  ASSERT_EQ(runCgi(programPath("insert"),
                   postEnvironment(home.path(), "insert", "SHOP", "formid=order", "a=3"), "a=3")
                .status,
            0);
  // The detached delivery may be rewriting the mail meanwhile, through a
  // temporary file of the same id, so mails are counted by id.
  std::set<std::string> queued;
  for (const auto& entry : std::filesystem::directory_iterator(home.file("outbox"))) {
    std::string text = readFile(entry.path().string());
    if (text.find("\nlabel=ORD-3\n") == std::string::npos) continue;
    std::string name = entry.path().filename().string();
    queued.insert(name.substr(0, name.find('.')));
    EXPECT_NE(text.find("\ngroup=shop\n"), std::string::npos) << text;
  }
  EXPECT_EQ(queued.size(), 1u);
  EXPECT_NE(view("label=ORD-3&catalog=orders", "password=Secret", "Shop").find("boss@example.org"),
            std::string::npos);
  view("label=ORD-2&catalog=orders&erase=1", "password=Secret&confirm=ORD-2", "shop");
  EXPECT_FALSE(home.exists("outbox/20261208000004.eeeeeeeeeeee.mail"));
}

}  // namespace
