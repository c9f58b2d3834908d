// Double opt-in through the outbox and a real SMTP server (the capture
// server of tests/tools): the held submission and its answers, the mail with
// the link, the button page a GET shows, the POST that stores the record
// and only then mails the staff, links that no longer hold, refused
// addresses, the delimited catalog that cannot hold, and the expiry of held
// submissions in simulated time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <string>

#include "common/text/sha256.h"
#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"

namespace {

const char kGroup[] =
    "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n"
    "response=boss@example.org\n";

// A held record as the pending file keeps it, sent on `date`.
std::string heldRecord(const std::string& token, const std::string& date, const std::string& name,
                       const std::string& email = "ana@example.org") {
  return "&TOKEN==" + toHex(sha256(token)) +
         "\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==" + date + "\n&TIME==1200\nname==" + name +
         "\nemail==" + email + "\n\n";
}

class OptIn : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sink.port(), 0);
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                   "\nserverName=www.example.org\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", kGroup);
    home.write("shop.grp.options", "confirmField=email\n");
    home.write("order.msg", "Thanks [<var &label>] [<var &pending>].\n");
  }

  CgiResult submit(const std::string& query, const std::string& body) {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", query, body), body);
  }
  CgiResult open(const std::string& token) {
    return runCgi(programPath("insert"),
                  getEnvironment(home.path(), "insert", "shop", "confirm=" + token));
  }
  CgiResult confirm(const std::string& token) { return submit("confirm=" + token, ""); }

  std::vector<std::string> mails(size_t count, int seconds = 10) {
    std::vector<std::string> decoded;
    for (const std::string& mail : sink.mails(count, seconds))
      decoded.push_back(SmtpSink::decoded(mail));
    return decoded;
  }

  // Holds a submission of Ana; the token of the link mailed to her.
  std::string hold() {
    CgiResult held = submit("", "name=Ana&email=ana%40example.org");
    EXPECT_EQ(held.status, 0) << held.output;
    EXPECT_NE(held.output.find("Thanks [] [1]."), std::string::npos) << held.output;
    auto mails = this->mails(1);
    if (mails.size() != 1) return "";
    std::smatch link;
    std::regex pattern(
        "http://www\\.example\\.org/cgi-bin/insert\\.exe/shop\\?confirm=([0-9a-f]{32})");
    if (!std::regex_search(mails[0], link, pattern)) {
      ADD_FAILURE() << mails[0];
      return "";
    }
    EXPECT_NE(mails[0].find("RCPT TO: <ana@example.org>\r\n"), std::string::npos) << mails[0];
    EXPECT_NE(mails[0].find("Subject: Please confirm your submission\r\n"), std::string::npos);
    return link[1];
  }

  SmtpSink sink{"refused"};
  TestHome home;
};

TEST_F(OptIn, HeldUntilThePostOfTheLinkThenStoredAndMailed) {
  std::string token = hold();
  ASSERT_EQ(token.size(), 32u);
  // Held without a label and without the token; the catalog waits empty.
  std::string pending = home.read("orders.dat.pending");
  EXPECT_TRUE(home.exists("orders.dat"));
  EXPECT_EQ(home.read("orders.dat"), "");
  EXPECT_TRUE(std::regex_match(pending, std::regex("&TOKEN==[0-9a-f]{64}\n&FORMID==order\n"
                                                   "&COMPUTER==192\\.0\\.2\\.7\n&DATE==\\d{8}\n"
                                                   "&TIME==\\d{4}\nname==Ana\n"
                                                   "email==ana@example\\.org\n\n")))
      << pending;
  EXPECT_NE(pending.find(toHex(sha256(token))), std::string::npos);
  EXPECT_EQ(pending.find(token), std::string::npos);
  struct stat info;
  ASSERT_EQ(::stat(home.file("orders.dat.pending").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 007, 0u);

  // Opening the link (a mail scanner does) shows the button, nothing more.
  CgiResult page = open(token);
  ASSERT_EQ(page.status, 0) << page.output;
  EXPECT_NE(page.output.find("\n<html lang=\"en\">\n"), std::string::npos) << page.output;
  EXPECT_NE(page.output.find("<form method=\"post\" action=\"?confirm=" + token +
                             "\">\n<button type=\"submit\">Confirm</button>"),
            std::string::npos)
      << page.output;
  EXPECT_EQ(home.read("orders.dat.pending"), pending);
  EXPECT_EQ(home.read("orders.dat"), "");
  EXPECT_EQ(mails(2, 1).size(), 1u);

  CgiResult confirmed = confirm(token);
  ASSERT_EQ(confirmed.status, 0) << confirmed.output;
  EXPECT_NE(confirmed.output.find("<b>Q-42</b>"), std::string::npos) << confirmed.output;
  std::string record = home.read("orders.dat");
  EXPECT_TRUE(
      std::regex_match(record, std::regex("&LABEL==Q-42\n&FORMID==order\n"
                                          "&COMPUTER==192\\.0\\.2\\.7\n&CONFIRMED==\\d{8} \\d{4} "
                                          "192\\.0\\.2\\.7\nname==Ana\n"
                                          "email==ana@example\\.org\n\n")))
      << record;
  EXPECT_FALSE(home.exists("orders.dat.pending"));
  auto mails = this->mails(2);
  ASSERT_EQ(mails.size(), 2u);
  EXPECT_NE(mails[1].find("RCPT TO: <boss@example.org>\r\n"), std::string::npos) << mails[1];
  EXPECT_NE(mails[1].find("&LABEL==Q-42\r\n"), std::string::npos) << mails[1];

  // The link holds once.
  CgiResult again = confirm(token);
  EXPECT_EQ(again.output.rfind("Status: 404 Not Found\n", 0), 0u) << again.output;
  EXPECT_EQ(home.read("orders.dat"), record);
  EXPECT_NE(home.read("shop.grp").find("count=42"), std::string::npos);
}

// A script gets {"pending":true}, a redirect "pending=1"; the Slovenian
// request its mail in Slovenian.
TEST_F(OptIn, AnswersOfAHeldSubmission) {
  home.write("shop.grp.options",
             "confirmField=email\nredirect.other=https://a.example/thanks.html#top\n");
  home.write("shop.grp", std::string(kGroup) + "form=other\ncatalog=others other\n");
  struct Case {
    const char* query;
    const char* expected;
  } cases[] = {
      {"format=json",
       "Content-type: application/json; charset=utf-8\n\n"
       "{\"ok\":true,\"pending\":true}"},
      {"formid=other",
       "Status: 303 See Other\nContent-type: text/html\n"
       "Location: https://a.example/thanks.html?pending=1#top\n"},
      {"language=slo", "Thanks [] [1]."},
  };
  for (const Case& c : cases) {
    CgiResult held = submit(c.query, "email=ana%40example.org");
    EXPECT_EQ(held.status, 0) << c.query;
    EXPECT_NE(held.output.find(c.expected), std::string::npos) << c.query << "\n" << held.output;
  }
  auto mails = this->mails(3);
  ASSERT_EQ(mails.size(), 3u);
  int slovenian = 0;
  for (const std::string& mail : mails)
    slovenian += mail.find("Subject: Prosimo, potrdite oddajo\r\n") != std::string::npos;
  EXPECT_EQ(slovenian, 1);
}

// The site's own template: its sender and subject, the link where it puts it.
TEST_F(OptIn, ConfirmTemplateGivesSenderSubjectAndLink) {
  home.write("shop.grp.options",
             "confirmField=email\nconfirmTemplate=confirm.tmt\nconfirmDays=3\n");
  home.write("confirm.tmt",
             "shop@example.org\nConfirm, <var name>\nOpen <var &confirmlink> within <var "
             "&confirmdays> days.\n");
  ASSERT_EQ(submit("", "name=Ana&email=ana%40example.org").status, 0);
  auto mails = this->mails(1);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(mails[0].find("MAIL FROM: <shop@example.org>\r\n"), std::string::npos) << mails[0];
  EXPECT_NE(mails[0].find("\r\nSubject: Confirm, Ana\r\n"), std::string::npos) << mails[0];
  EXPECT_TRUE(std::regex_search(
      mails[0], std::regex("\r\n\r\nOpen http://www\\.example\\.org/cgi-bin/insert\\.exe/"
                           "shop\\?confirm=[0-9a-f]{32} within 3 days\\.\r\n")))
      << mails[0];
}

// Anything but one plain address refuses the submission: nothing is held,
// nothing mailed.
TEST_F(OptIn, OnlyOnePlainAddressIsHeld) {
  for (const char* body :
       {"name=Ana", "email=", "email=ana%40example.org%2Cbor%40example.org",
        "email=ana%40example.org%0D%0ABcc%3A+x%40example.org", "email=Ana+%3Cana%40example.org%3E",
        "email=ana%40localhost", "email=ana%40example.org&email=bor%40example.org",
        "email=ana%40-x.example.org", "email=.ana%40example.org"}) {
    CgiResult refused = submit("", body);
    EXPECT_EQ(refused.status, 1) << body;
    EXPECT_NE(refused.output.find("must hold exactly one e-mail address"), std::string::npos)
        << body << "\n"
        << refused.output;
  }
  EXPECT_FALSE(home.exists("orders.dat.pending"));
  EXPECT_FALSE(home.exists("outbox"));
}

// Links that no longer hold, or never did, change nothing: 410 for an
// expired one, 404 for the rest, before any file is read for a token that
// cannot be one.
TEST_F(OptIn, LinksThatDoNotHoldChangeNothing) {
  const std::string fresh(32, 'a'), old(32, 'b');
  std::string pending = heldRecord(old, "20000101", "Old") + heldRecord(fresh, "29990101", "New");
  home.write("orders.dat.pending", pending);
  home.write("orders.dat", "");
  struct Case {
    std::string token;
    const char* status;
    const char* text;
  } cases[] = {
      {old, "Status: 410 Gone\n", "This confirmation link has expired."},
      {std::string(32, 'c'), "Status: 404 Not Found\n", "not known or was used already"},
      {std::string(32, 'A'), "Status: 404 Not Found\n", "not known"},
      {fresh + "0", "Status: 404 Not Found\n", "not known"},
      {"..%2F..%2Fetc%2Fpasswd", "Status: 404 Not Found\n", "not known"},
      {"", "Status: 404 Not Found\n", "not known"},
  };
  for (const Case& c : cases) {
    for (bool post : {false, true}) {
      CgiResult result = post ? confirm(c.token) : open(c.token);
      EXPECT_EQ(result.output.rfind(c.status, 0), 0u) << c.token << "\n" << result.output;
      EXPECT_NE(result.output.find(c.text), std::string::npos) << c.token;
    }
  }
  CgiResult slovenian = submit("confirm=" + old + "&language=slo", "");
  EXPECT_NE(slovenian.output.find("Ta povezava za potrditev je potekla."), std::string::npos)
      << slovenian.output;
  EXPECT_EQ(home.read("orders.dat.pending"), pending);
  EXPECT_EQ(home.read("orders.dat"), "");
  EXPECT_FALSE(home.exists("outbox"));
}

// Delimited records cannot carry a held submission's confirmation: the
// first submission shows the error, in either language.
TEST_F(OptIn, DelimitedCatalogIsAConfigurationError) {
  home.write("shop.grp", std::string(kGroup) + "data=name;email\n");
  for (auto [query, text] : {std::pair{"", "needs catalogs in the item form"},
                             std::pair{"language=slo", "zahteva kataloge v obliki postavk"}}) {
    CgiResult refused = submit(query, "name=Ana&email=ana%40example.org");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find(text), std::string::npos) << refused.output;
  }
  EXPECT_FALSE(home.exists("orders.dat.pending"));
  EXPECT_FALSE(home.exists("outbox"));
}

// One person's data in show covers the submissions awaiting confirmation:
// found, listed by an id that is no token, exported and erased.
TEST_F(OptIn, PersonSearchFindsAndErasesHeldSubmissions) {
  const std::string ana(32, 'a'), bor(32, 'b');
  std::string borsRecord = heldRecord(bor, "29990101", "Bor", "bor@example.org");
  home.write("orders.dat", "");
  home.write("orders.dat.pending", heldRecord(ana, "29990101", "Ana") + borsRecord);
  std::string id = "pending-" + toHex(sha256(ana)).substr(0, 16);
  auto show = [&](const std::string& body) {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", "", body), body)
        .output;
  };
  std::string found = show("password=Secret&person=ANA%40example.org");
  EXPECT_NE(found.find("orders (awaiting confirmation)"), std::string::npos) << found;
  EXPECT_NE(found.find(id), std::string::npos) << found;
  EXPECT_EQ(found.find("pending-" + toHex(sha256(bor)).substr(0, 16)), std::string::npos);

  std::string confirmation = show("password=Secret&person=ana%40example.org&eraseperson=1");
  bool erased = false;
  for (int i = 0; i < 10 && !erased; ++i) {
    BrowserForm form(confirmation, i);
    for (const BrowserForm::Control& control : form.controls())
      erased = erased || (control.kind == "submit" && control.value == "Erase for good");
    if (!erased) continue;
    EXPECT_EQ(form.value("pending"), id);
    std::string done = show(form.submit("Erase for good"));
    EXPECT_NE(done.find("Records erased: 1;"), std::string::npos) << done;
  }
  EXPECT_TRUE(erased) << confirmation;
  EXPECT_EQ(home.read("orders.dat.pending"), borsRecord);
  EXPECT_NE(home.read("deletions.log").find("\tshop\torders\t" + id + "\t"), std::string::npos);
}

// insert --expire in simulated time: held submissions older than
// confirmDays go, or than the catalog keeps records when that is sooner,
// counted in one line of the log of deletions.
TEST_F(OptIn, ExpiryRemovesHeldSubmissionsPastConfirmDays) {
  const std::string gone = heldRecord(std::string(32, '1'), "20270225", "Gone");
  const std::string kept = heldRecord(std::string(32, '2'), "20270226", "Kept");
  const std::string fresh = heldRecord(std::string(32, '3'), "20270301", "New");
  struct Case {
    const char* options;
    std::string left;
    const char* count;
  } cases[] = {
      {"confirmField=email\nconfirmDays=3\n", kept + fresh, "1"},
      {"confirmField=email\nconfirmDays=3\nretainDays=2\n", fresh, "2"},
  };
  for (const Case& c : cases) {
    home.write("shop.grp.options", c.options);
    home.write("orders.dat", "");
    home.write("orders.dat.pending", gone + kept + fresh);
    std::remove(home.file("deletions.log").c_str());
    CgiResult run = runCommand(atFakeTime("2027-03-01 12:00:00") + programPath("insert") +
                               " --expire --home " + home.path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, std::string("expired ") + c.count + "\n");
    EXPECT_EQ(home.read("orders.dat.pending"), c.left) << c.options;
    std::string log = home.read("deletions.log");
    EXPECT_EQ(log.substr(0, 14), "2027-03-01 12:") << log;
    EXPECT_NE(log.find(std::string("\tshop\torders\texpired ") + c.count + "\t-\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << log;
  }
}

}  // namespace

namespace {

std::string linkToken(const std::string& mail) {
  std::smatch link;
  std::regex pattern("\\?confirm=([0-9a-f]{32})");
  return std::regex_search(mail, link, pattern) ? link[1].str() : "";
}

}  // namespace

// With a reply to the visitor set up, a confirmation sends it with the staff
// mail, unless a content rule scored the submission when it was held.
TEST_F(OptIn, ConfirmationRepliesToTheVisitorUnlessScored) {
  home.write("shop.grp.options", "confirmField=email\nautoReply=email thanks.tmt\nspamRules=on\n");
  home.write("thanks.tmt", "shop@example.org\nThanks\nYour record <var &label>\n");
  const struct {
    std::string note;
    bool replied;
  } cases[] = {{"hello", true}, {"http%3A%2F%2Fa.example+http%3A%2F%2Fb.example", false}};
  size_t seen = 0;
  for (const auto& c : cases) {
    ASSERT_EQ(submit("", "name=Ana&email=ana%40example.org&note=" + c.note).status, 0);
    auto held = mails(++seen);
    ASSERT_EQ(held.size(), seen);
    std::string token = linkToken(held.back());
    ASSERT_EQ(token.size(), 32u) << held.back();
    ASSERT_EQ(confirm(token).status, 0);
    seen += c.replied ? 2 : 1;
    auto all = mails(seen);
    ASSERT_EQ(all.size(), seen) << c.note;
    EXPECT_EQ(mails(seen + 1, 1).size(), seen) << c.note;  // nothing more
    bool replied = false;
    for (size_t i = seen - (c.replied ? 2 : 1); i < seen; ++i)
      replied = replied || all[i].find("Subject: Thanks\r\n") != std::string::npos;
    EXPECT_EQ(replied, c.replied) << c.note;
  }
}

// A second click within the duplicate window gets the pending answer again;
// one submission is held and one link mailed.
TEST_F(OptIn, SentTwiceIsHeldOnce) {
  home.write("shop.grp.options", "confirmField=email\nduplicateWindow=on\n");
  for (int i = 0; i < 2; ++i) {
    CgiResult held = submit("", "name=Ana&email=ana%40example.org");
    ASSERT_EQ(held.status, 0);
    EXPECT_NE(held.output.find("Thanks [] [1]."), std::string::npos) << held.output;
  }
  std::string pending = home.read("orders.dat.pending");
  EXPECT_EQ(std::count(pending.begin(), pending.end(), '&'), 5) << pending;  // one record
  EXPECT_EQ(mails(2, 2).size(), 1u);
}

// The language of the held post is the record's (recordLanguage), whatever
// the language of the confirming request.
TEST_F(OptIn, HeldRecordKeepsTheLanguageOfItsPost) {
  home.write("shop.grp.options", "confirmField=email\nrecordLanguage=on\n");
  ASSERT_EQ(submit("language=slo", "name=Ana&email=ana%40example.org").status, 0);
  auto sent = mails(1);
  ASSERT_EQ(sent.size(), 1u);
  std::smatch link;
  ASSERT_TRUE(std::regex_search(sent[0], link, std::regex("confirm=([0-9a-f]{32})")));
  EXPECT_NE(home.read("orders.dat.pending").find("&FORMLANGUAGE==slo\n"), std::string::npos);
  ASSERT_EQ(confirm(link[1]).status, 0);
  std::string record = home.read("orders.dat");
  EXPECT_TRUE(
      std::regex_match(record, std::regex("&LABEL==Q-42\n&FORMID==order\n&COMPUTER==[^\n]*\n"
                                          "&FORMLANGUAGE==slo\n&CONFIRMED==[^\n]*\n"
                                          "name==Ana\nemail==ana@example\\.org\n\n")))
      << record;
}
