// The quarantine under load, through the built insert and show: a full
// quarantine refuses further spam with 429 and stores nothing of it, and a
// quarantine larger than the pieces it is read in still lists, expires,
// releases and deletes record by record.
#include <gtest/gtest.h>

#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kGroup[] = "form=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";

struct Site {
  explicit Site(const std::string& options) {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", kGroup);
    home.write("shop.grp.options", options);
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult post(const std::string& body) {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", "formid=order", body), body);
  }
  CgiResult show(const std::string& query) {
    return runCgi(programPath("show"),
                  postEnvironment(home.path(), "show", "shop", query, "password=Secret"),
                  "password=Secret");
  }
  std::string quarantine() const {
    return home.exists("shop.grp.quarantine") ? home.read("shop.grp.quarantine") : "";
  }
  TestHome home;
};

TEST(QuarantineBounds, FullQuarantineRefusesSpamAndStoresNothing) {
  Site site("honeypot=website\nquarantineMaxSize=1K\n");
  std::string spam = "website=x&text=" + std::string(600, 's');
  ASSERT_EQ(site.post(spam).status, 0);
  std::string held = site.quarantine();
  std::string counter = site.home.read("shop.grp.quarantine.count");
  CgiResult refused = site.post(spam);
  EXPECT_EQ(refused.output.rfind("Status: 429 Too Many Requests\n", 0), 0u) << refused.output;
  EXPECT_NE(refused.output.find("Too many held-back submissions"), std::string::npos);
  EXPECT_EQ(site.quarantine(), held);
  EXPECT_EQ(site.home.read("shop.grp.quarantine.count"), counter);
  EXPECT_FALSE(site.home.exists("orders.dat"));
  // A submission that is no spam is stored as ever.
  EXPECT_EQ(site.post("name=Ana").output, "Content-type: text/html\n\nStored Q-42.\n");
}

// Records of 40 KB each: the file spans several of the 64 KiB pieces.
TEST(QuarantineBounds, LargeQuarantineIsHandledRecordByRecord) {
  Site site("honeypot=website\n");
  for (char c : std::string("abcd"))
    ASSERT_EQ(site.post("website=x&text=" + std::string(40000, c)).status, 0);
  std::string aged = site.quarantine();
  aged.replace(aged.find("&DATE==") + 7, 8, "20000101");
  site.home.write("shop.grp.quarantine", aged);

  CgiResult listed = site.show("quarantine=list");
  ASSERT_EQ(listed.status, 0) << listed.output.substr(0, 300);
  EXPECT_EQ(listed.output.find("<td>Q-1</td>"), std::string::npos) << "the expired record";
  for (const char* label : {"Q-2", "Q-3", "Q-4"})
    EXPECT_NE(listed.output.find(std::string("<td>") + label + "</td>"), std::string::npos)
        << label;

  ASSERT_EQ(site.show("quarantine=delete&label=Q-3").status, 0);
  ASSERT_EQ(site.show("quarantine=release&label=Q-2").status, 0);
  std::string left = site.quarantine();
  EXPECT_EQ(left.find(std::string(100, 'a')), std::string::npos);
  EXPECT_EQ(left.find(std::string(100, 'b')), std::string::npos);
  EXPECT_EQ(left.find(std::string(100, 'c')), std::string::npos);
  EXPECT_NE(left.find("text==" + std::string(40000, 'd') + "\n"), std::string::npos);
  EXPECT_NE(site.home.read("orders.dat").find("text==" + std::string(40000, 'b') + "\n"),
            std::string::npos);
}

}  // namespace
