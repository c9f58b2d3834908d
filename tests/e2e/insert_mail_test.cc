// insert's notifications through a real SMTP server (the capture server of
// tests/tools): template mail, the default mail with its link to the record
// viewer, several recipients and a recipient the server refuses.
#include <gtest/gtest.h>

#include <string>

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
  auto mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0],
            "HELO 127.0.0.1\r\nMAIL FROM: <shop@example.org>\r\nRCPT TO: <boss@example.org>\r\n"
            "DATA\r\nFrom: shop@example.org\r\nSubject: Order Q-42 from Ana <b>\r\n\r\n"
            "Name: Ana <b>\r\n.\r\nNote:\r\none\r\n.\r\nthree\r\n\r\n");
}

TEST_F(InsertMailTest, DefaultMailCarriesTheRecordAndALinkToIt) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\ncount=6\nlabel=A&B \n"
             "response=a@example.org,b@example.org\n");
  ASSERT_EQ(submit("reflabel=R-1", "name=Ana&note=two%0Alines").status, 0);
  auto mails = sink.mails(2);
  ASSERT_EQ(mails.size(), 2u);
  std::string body =
      "\r\nSubject: New Entry in catalog orders\r\n\r\n&LABEL==A&B 7\r\n&FORMID==order\r\n"
      "&COMPUTER==192.0.2.7\r\n&REFLABEL==R-1\r\nname==Ana\r\nnote=+LABEL\r\ntwo\r\nlines\r\n"
      "LABEL\r\n\r\nhttp://www.example.org/cgi-bin/show.exe/"
      "shop?label=A%26B%207&catalog=orders\r\n";
  EXPECT_NE(mails[0].find("RCPT TO: <a@example.org>\r\n"), std::string::npos);
  EXPECT_NE(mails[1].find("RCPT TO: <b@example.org>\r\n"), std::string::npos);
  for (const std::string& mail : mails) {
    EXPECT_NE(mail.find("MAIL FROM: <kalder@"), std::string::npos);
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
  auto mails = sink.mails(1);
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
  auto mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("Subject: Order 7\r\n\r\norders 7\r\n"), std::string::npos) << mails[0];
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
  auto mails = sink.mails(1);
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
  auto mails = sink.mails(1, 2);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("RCPT TO: <y@example.org>"), std::string::npos);
}

TEST_F(InsertMailTest, DefaultSubjectInSlovenian) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org\n");
  ASSERT_EQ(submit("language=slo", "a=1").status, 0);
  auto mails = sink.mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("Subject: Nov zapis v katalogu orders\r\n"), std::string::npos);
}

TEST_F(InsertMailTest, RefusedRecipientIsAnErrorAfterTheRecordIsStored) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org,refused@example.org,c@example.org\n");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Mail Error: 550 5.1.1 Recipient refused"), std::string::npos)
      << r.output;
  EXPECT_EQ(r.output.find("Thanks."), std::string::npos);
  EXPECT_EQ(sink.mails(1, 2).size(), 1u);
  EXPECT_EQ(home.read("orders.dat"), "&LABEL==1\n&FORMID==order\n&COMPUTER==192.0.2.7\na==1\n\n");
  EXPECT_NE(home.read("shop.grp").find("count=1\n"), std::string::npos);
}

TEST_F(InsertMailTest, NoMailServerIsAnErrorPage) {
  home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\n"
             "response=a@example.org\n");
  CgiResult r = submit("", "a=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("<b>Mail Server is unknown</b>"), std::string::npos) << r.output;
}

}  // namespace
