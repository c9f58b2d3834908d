// The spam defences through the built insert and show: the honeypot sends a
// submission to the quarantine with the normal answer and no mail, the
// administrator releases (stored with its original date, time and address,
// a new label, its mail queued) or deletes it, old ones expire, and the
// rate limit refuses with 429 until its window passes, also when many
// submissions arrive at once.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] =
    "form=order\ncatalog=orders order\nlabel=Q-\ncount=41\nresponse=boss@example.org\n";

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

struct Site {
  explicit Site(const std::string& options) {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", kGroup);
    if (!options.empty()) home.write("shop.grp.options", options);
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult post(const std::string& body, const std::string& address = "192.0.2.7",
                 const std::string& query = "formid=order") {
    Environment env = postEnvironment(home.path(), "insert", "shop", query, body);
    env["REMOTE_ADDR"] = address;
    return runCgi(programPath("insert"), env, body);
  }
  CgiResult show(const std::string& query) {
    Environment env = postEnvironment(home.path(), "show", "shop", query, "password=Secret");
    env["REMOTE_ADDR"] = "198.51.100.1";
    return runCgi(programPath("show"), env, "password=Secret");
  }
  std::string catalog() const { return home.exists("orders.dat") ? home.read("orders.dat") : ""; }
  std::string quarantine() const {
    return home.exists("shop.grp.quarantine") ? home.read("shop.grp.quarantine") : "";
  }
  // The outbox files of the mails of the record `label` (a delivery run may
  // hold one twice for a moment while it rewrites it).
  int mailsOf(const std::string& label) const {
    std::error_code error;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.file("outbox"), error)) {
      if (entry.path().extension() == ".lck") continue;
      if (readFile(entry.path().string()).find("\nlabel=" + label + "\n") != std::string::npos)
        ++count;
    }
    return count;
  }
  TestHome home;
};

TEST(Spam, HoneypotQuarantinesWithTheNormalAnswerAndReleaseStoresIt) {
  Site site("honeypot=website\n");
  CgiResult caught = site.post("name=Bot&website=http%3A%2F%2Fspam.example");
  ASSERT_EQ(caught.status, 0) << caught.output;
  EXPECT_NE(caught.output.find("Stored Q-1."), std::string::npos) << caught.output;
  EXPECT_EQ(site.catalog(), "");
  EXPECT_EQ(site.mailsOf("Q-1"), 0);
  EXPECT_NE(site.quarantine().find("&QUARANTINE==honeypot field filled"), std::string::npos);
  EXPECT_NE(site.quarantine().find("&COMPUTER==192.0.2.7"), std::string::npos);

  // An empty honeypot field is a person's: stored and mailed as before.
  ASSERT_EQ(site.post("name=Ana&website=").status, 0);
  EXPECT_NE(site.catalog().find("&LABEL==Q-42"), std::string::npos) << site.catalog();
  EXPECT_EQ(site.catalog().find("website"), std::string::npos) << site.catalog();

  EXPECT_NE(site.show("").output.find("Quarantine (1)"), std::string::npos);
  CgiResult listed = site.show("quarantine=list");
  EXPECT_NE(listed.output.find("honeypot field filled"), std::string::npos) << listed.output;
  std::string sentDate = site.quarantine().substr(site.quarantine().find("&DATE=="), 16);
  CgiResult released = site.show("quarantine=release&label=Q-1");
  ASSERT_EQ(released.status, 0) << released.output;
  EXPECT_NE(released.output.find("released as Q-43"), std::string::npos) << released.output;
  std::string catalog = site.catalog();
  size_t record = catalog.find("&LABEL==Q-43");
  ASSERT_NE(record, std::string::npos) << catalog;
  EXPECT_NE(catalog.find("&COMPUTER==192.0.2.7", record), std::string::npos);
  EXPECT_NE(catalog.find(sentDate, record), std::string::npos);
  EXPECT_NE(catalog.find("name==Bot", record), std::string::npos);
  EXPECT_NE(site.home.read("shop.grp").find("count=43"), std::string::npos);
  EXPECT_GE(site.mailsOf("Q-42"), 1);
  EXPECT_GE(site.mailsOf("Q-43"), 1);
  EXPECT_EQ(site.quarantine(), "");
  // Released once: a second release finds nothing.
  EXPECT_NE(site.show("quarantine=release&label=Q-1").status, 0);
}

TEST(Spam, AHeldRecordsFilesMoveWithItsRelease) {
  Site site("honeypot=website\nuploadEndings=txt\n");
  std::string body =
      "--XyZ\r\nContent-Disposition: form-data; name=\"website\"\r\n\r\nx\r\n"
      "--XyZ\r\nContent-Disposition: form-data; name=\"cv\"; filename=\"cv.txt\"\r\n"
      "Content-Type: text/plain\r\n\r\nMy life.\r\n--XyZ--\r\n";
  Environment env = postEnvironment(site.home.path(), "insert", "shop", "formid=order", body);
  env["CONTENT_TYPE"] = "multipart/form-data; boundary=XyZ";
  ASSERT_EQ(runCgi(programPath("insert"), env, body).status, 0);
  EXPECT_TRUE(site.home.exists("shop.grp.files/q-1"));
  EXPECT_FALSE(site.home.exists("orders.files/q-42"));
  ASSERT_EQ(site.show("quarantine=release&label=Q-1").status, 0);
  EXPECT_FALSE(site.home.exists("shop.grp.files/q-1"));
  ASSERT_TRUE(site.home.exists("orders.files/q-42"));
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(site.home.file("orders.files/q-42"))) {
    EXPECT_EQ(readFile(entry.path().string()), "My life.");
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(Spam, DeleteAndExpiryEmptyTheQuarantine) {
  Site site("honeypot=website\nquarantineDays=30\n");
  ASSERT_EQ(site.post("name=Bot&website=x").status, 0);
  ASSERT_EQ(site.post("name=Bot2&website=y").status, 0);
  ASSERT_EQ(site.show("quarantine=delete&label=Q-1").status, 0);
  EXPECT_EQ(site.quarantine().find("name==Bot\n"), std::string::npos);
  EXPECT_NE(site.quarantine().find("name==Bot2"), std::string::npos);
  // A record sent long ago goes at the next visit.
  std::string aged = site.quarantine();
  aged.replace(aged.find("&DATE==") + 7, 8, "20000101");
  site.home.write("shop.grp.quarantine", aged);
  ASSERT_EQ(site.show("quarantine=list").status, 0);
  EXPECT_EQ(site.quarantine(), "");
  EXPECT_EQ(site.catalog(), "");
}

TEST(Spam, RateLimitRefusesWith429UntilTheWindowPasses) {
  Site site("rateLimit=2/2s\n");
  EXPECT_EQ(site.post("name=A").status, 0);
  EXPECT_EQ(site.post("name=B").status, 0);
  CgiResult refused = site.post("name=C");
  EXPECT_NE(refused.output.find("429"), std::string::npos) << refused.output;
  EXPECT_NE(refused.output.find("Too many submissions"), std::string::npos);
  CgiResult json = site.post("name=D", "192.0.2.7", "formid=order&format=json");
  EXPECT_NE(json.output.find("\"ok\":false"), std::string::npos) << json.output;
  // Another address has its own count.
  EXPECT_EQ(site.post("name=E", "192.0.2.8").status, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  EXPECT_EQ(site.post("name=F").status, 0);
  std::string catalog = site.catalog();
  EXPECT_EQ(countOf(catalog, "&LABEL=="), 4) << catalog;
  EXPECT_EQ(catalog.find("name==C"), std::string::npos);
}

// The addresses of one IPv6 /64 are one client for the rate limit and the
// duplicate check; the record keeps the address it came from.
TEST(Spam, AnIpv6SlashSixtyFourIsOneClient) {
  Site site("rateLimit=3/minute\nduplicateWindow=on\n");
  EXPECT_NE(site.post("name=A", "2001:db8:1:2::1").output.find("Stored Q-42."), std::string::npos);
  CgiResult again = site.post("name=A", "2001:db8:1:2::99");
  EXPECT_NE(again.output.find("Stored Q-42."), std::string::npos) << again.output;
  EXPECT_EQ(site.post("name=B", "2001:db8:1:2:aaaa::1").status, 0);
  EXPECT_NE(site.post("name=C", "2001:db8:1:2::3").output.find("429"), std::string::npos);
  EXPECT_EQ(site.post("name=D", "2001:db8:1:3::1").status, 0);
  std::string catalog = site.catalog();
  EXPECT_EQ(countOf(catalog, "&LABEL=="), 3) << catalog;
  EXPECT_NE(catalog.find("&COMPUTER==2001:db8:1:2:aaaa::1"), std::string::npos) << catalog;
}

TEST(Spam, SimultaneousSubmissionsOfOneAddressAreCountedExactly) {
  Site site("rateLimit=5/minute\n");
  std::vector<std::thread> threads;
  for (int i = 0; i < 20; ++i)
    threads.emplace_back([&site, i] { site.post("name=N" + std::to_string(i)); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(countOf(site.catalog(), "&LABEL=="), 5);
}

TEST(Spam, TheSameContentFromOneAddressIsStoredOnceWithTheFirstLabel) {
  Site site("duplicateWindow=on\n");
  EXPECT_NE(site.post("name=Ana&note=Hi").output.find("Stored Q-42."), std::string::npos);
  CgiResult again = site.post("name=Ana&note=Hi");
  EXPECT_NE(again.output.find("Stored Q-42."), std::string::npos) << again.output;
  // Other content, or the same from another address, is a submission of its own.
  EXPECT_NE(site.post("name=Ana&note=Bye").output.find("Stored Q-43."), std::string::npos);
  EXPECT_NE(site.post("name=Ana&note=Hi", "192.0.2.8").output.find("Stored Q-44."),
            std::string::npos);
  EXPECT_EQ(countOf(site.catalog(), "&LABEL=="), 3);
}

TEST(Spam, ContentRulesQuarantineWhatScoresAtTheThreshold) {
  Site site("spamRules=on\nblockedWordsFile=blocked.txt\nnumericFields=phone\n");
  site.home.write("blocked.txt", "# words of the last wave\ncheap pills\n");
  struct Case {
    const char* body;
    const char* reason;  // empty: stored
  } cases[] = {
      {"name=Ana&note=See+https%3A%2F%2Fexample.org&phone=%2B386+1+234+5678", ""},
      {"name=Ana&note=%C4%8Cesen+in+%C5%A1pinaca", ""},
      {"name=Bot&note=http%3A%2F%2Fa.example+http%3A%2F%2Fb.example+www.c.example+"
       "https%3A%2F%2Fd.example",
       "links 3"},
      {"name=Bot&note=%3Ca+href%3Dx%3Ego%3C%2Fa%3E", "link markup 3"},
      {"name=Bot&note=%D0%9A%D1%83%D0%BF%D0%B8%D1%82%D0%B5+%D1%81%D0%B5%D0%B9%D1%87%D0%B0%D1%81",
       "script 3"},
      {"name=Bot&note=%26%231087%3B%26%231088%3B%26%231080%3B", "script 3"},
      {"name=Bot&note=CHEAP+Pills+here", "blocked words 3"},
      {"name=Bot&note=che%26%2397%3Bp+pi%26%23x6c%3Bls", "blocked words 3"},
      {"name=Bot&phone=call+me", "fields 3"},
  };
  int stored = 0;
  for (const Case& c : cases) {
    CgiResult result = site.post(c.body);
    EXPECT_NE(result.output.find("Stored Q-"), std::string::npos) << c.body;
    if (std::string(c.reason).empty()) {
      ++stored;
    } else {
      EXPECT_NE(site.quarantine().find(c.reason), std::string::npos) << c.body;
    }
  }
  EXPECT_EQ(countOf(site.catalog(), "&LABEL=="), stored) << site.catalog();
}

TEST(Spam, AGroupWithoutOptionsStoresWhatTheDefencesWouldHold) {
  Site site("");
  for (int i = 0; i < 8; ++i)
    ASSERT_EQ(site.post("name=Bot&website=x&note=%3Ca+href%3Dx%3E").status, 0);
  EXPECT_EQ(countOf(site.catalog(), "&LABEL=="), 8);
  EXPECT_FALSE(site.home.exists("shop.grp.quarantine"));
  EXPECT_FALSE(site.home.exists("shop.grp.rate"));
  EXPECT_FALSE(site.home.exists("shop.grp.recent"));
}

}  // namespace
