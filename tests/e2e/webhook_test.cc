// Webhooks through a real HTTPS receiver the test starts: signed, retried
// with one webhook-id until accepted, failed for good on a 4xx, sent again
// from the record page, refused for a private address unless allowed, kept
// out of a full spool, and never posted for spam; the group page's key.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "common/text/sha256.h"
#include "support/cgi_run.h"
#include "support/test_home.h"
#include "support/webhook_receiver.h"

namespace {

constexpr char kSecret[] = "whsec_MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw";

class WebhookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=ORD-\n");
    home.write("order.msg", "Thanks.\n");
  }

  // The options file for `receiver`, with `more` lines after the webhook's.
  void useReceiver(const WebhookReceiver& receiver, const std::string& more = "") {
    ASSERT_NE(receiver.port(), 0);
    home.write("shop.grp.options", "webhook=" + receiver.url() + "\nwebhookSecret=" + kSecret +
                                       "\nwebhookCaFile=" + receiver.caFile() + "\n" + more);
  }

  CgiResult submit(const std::string& body) {
    return runCgi(programPath("insert"), postEnvironment(home.path(), "insert", "shop", "", body),
                  body);
  }

  std::string view(const std::string& query, const std::string& body = "password=Secret") {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", query, body),
                  body)
        .output;
  }

  // The spool's files of that ending once there are `count` and none is
  // pending (or 10 seconds passed), each file's content.
  std::vector<std::string> spoolFiles(const std::string& ending, size_t count) {
    std::vector<std::string> found;
    for (int i = 0; i < 500; ++i) {
      found.clear();
      bool pending = false;
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(home.file("webhooks"), error)) {
        pending = pending || entry.path().extension() == ".pending";
        if (entry.path().extension() == ending)
          found.push_back(home.read("webhooks/" + entry.path().filename().string()));
      }
      if (found.size() >= count && !pending) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return found;
  }

  CgiResult flush(const std::string& arguments = "") {
    return runMailCommand(home.path(), arguments);
  }

  static std::string line(const std::string& request, const std::string& key) {
    size_t at = request.find(key + " ");
    if (at == std::string::npos) return "";
    at += key.size() + 1;
    return request.substr(at, request.find('\n', at) - at);
  }

  static std::string body(const std::string& request) {
    return request.substr(request.find("\n\n") + 2);
  }

  TestHome home;
};

TEST_F(WebhookTest, RetriedUntilAcceptedWithOneIdAndAValidSignature) {
  WebhookReceiver receiver({kSecret, 1});
  useReceiver(receiver, "webhookAllowPrivate=on\n");
  ASSERT_EQ(submit("name=Ana&colour=red&colour=blue&note=%22line%0Atwo%22").status, 0);
  ASSERT_EQ(receiver.requests(1).size(), 1u);
  std::vector<std::string> waiting;
  for (int i = 0;
       i < 500 && (waiting.empty() || waiting[0].find("attempts=1") == std::string::npos); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    waiting = spoolFiles(".hook", 1);
  }
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_NE(waiting[0].find("attempts=1\nreply=HTTP/1.1 503"), std::string::npos) << waiting[0];
  EXPECT_EQ(flush("--all").status, 0);
  std::vector<std::string> requests = receiver.requests(2);
  ASSERT_EQ(requests.size(), 2u);
  std::string id = line(requests[0], "webhook-id");
  ASSERT_FALSE(id.empty());
  for (const std::string& request : requests) {
    EXPECT_EQ(line(request, "signature"), "valid") << request;
    EXPECT_EQ(line(request, "webhook-id"), id);
    EXPECT_EQ(line(request, "content-type"), "application/json");
    EXPECT_EQ(body(request), body(requests[0]));
  }
  std::string json = body(requests[1]);
  EXPECT_EQ(json.rfind("{\"id\":\"" + id +
                           "\",\"group\":\"shop\",\"catalog\":\"orders\","
                           "\"label\":\"ORD-1\",\"date\":\"",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("\"fields\":{\"name\":\"Ana\",\"colour\":[\"red\",\"blue\"],"
                      "\"note\":\"\\\"line\\u000atwo\\\"\"},\"files\":[]}"),
            std::string::npos)
      << json;
  EXPECT_TRUE(spoolFiles(".hook", 0).empty());
  EXPECT_NE(home.read("webhooks/sent.log").find("HTTP/1.1 200 OK"), std::string::npos);
  std::string page = view("label=ORD-1&catalog=orders");
  EXPECT_NE(page.find("Webhooks"), std::string::npos);
  EXPECT_NE(page.find("HTTP/1.1 200 OK"), std::string::npos);
  // The run folds its events into the totals once it has made its attempts.
  std::string totals = home.read("metrics.state");
  EXPECT_NE(totals.find("webhook_delivery\tshop\tretry\t1\n"), std::string::npos) << totals;
  EXPECT_NE(totals.find("webhook_delivery\tshop\tdelivered\t1\n"), std::string::npos) << totals;
}

TEST_F(WebhookTest, AClientErrorFailsForGoodAndSendAgainDeliversIt) {
  WebhookReceiver receiver({kSecret, 1, 404});
  useReceiver(receiver, "webhookAllowPrivate=on\n");
  ASSERT_EQ(submit("name=Ana").status, 0);
  std::vector<std::string> failed = spoolFiles(".failed", 1);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0].find("reply=HTTP/1.1 404 Not Found"), std::string::npos) << failed[0];
  std::string page = view("label=ORD-1&catalog=orders");
  EXPECT_NE(page.find("Send again"), std::string::npos);
  std::string id = line(receiver.requests(1)[0], "webhook-id");
  view("label=ORD-1&catalog=orders", "webhook=" + id);  // no password: nothing
  EXPECT_EQ(spoolFiles(".failed", 1).size(), 1u);
  view("label=ORD-1&catalog=orders", "password=Secret&webhook=" + id);
  std::vector<std::string> requests = receiver.requests(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(line(requests[1], "webhook-id"), id);
  EXPECT_EQ(line(requests[1], "status"), "200");
  for (int i = 0; i < 500 && home.exists("webhooks/" + id + ".hook"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(spoolFiles(".failed", 0).empty());
  EXPECT_NE(home.read("audit.log").find("webhook sent again"), std::string::npos);
}

TEST_F(WebhookTest, RefusedWithoutDeliveryForAPrivateAddressOrAFullSpool) {
  struct Case {
    const char* options;
    const char* reply;
  } cases[] = {{"", "private network"},
               {"webhookAllowPrivate=on\nwebhookMaxSpool=10\n", "spool is full"}};
  for (const Case& c : cases) {
    WebhookReceiver receiver({kSecret});
    useReceiver(receiver, c.options);
    ASSERT_EQ(submit("name=Ana").status, 0);
    std::vector<std::string> failed = spoolFiles(".failed", 1);
    ASSERT_EQ(failed.size(), 1u) << c.options;
    EXPECT_NE(failed[0].find(c.reply), std::string::npos) << failed[0];
    EXPECT_TRUE(receiver.requests(1, 1).empty()) << c.options;
    std::filesystem::remove_all(home.file("webhooks"));
  }
}

// The spool holds the records' data: one person's page lists what is still
// in it, erasing a record drops it, and the expiry removes old failed
// deliveries and old lines of the log as it does for mail.
TEST_F(WebhookTest, PersonSearchErasureAndExpiryCoverTheSpool) {
  WebhookReceiver receiver({kSecret});
  useReceiver(receiver, "retainDays=30\n");
  ASSERT_EQ(submit("name=Ana&email=ana@example.org").status, 0);
  ASSERT_EQ(spoolFiles(".failed", 1).size(), 1u);
  std::string page = view("", "password=Secret&person=ana%40example.org");
  EXPECT_NE(page.find("Webhooks not yet delivered"), std::string::npos) << page;
  EXPECT_NE(page.find(receiver.url()), std::string::npos);
  view("label=ORD-1&catalog=orders&erase=1", "password=Secret&confirm=ORD-1");
  EXPECT_TRUE(spoolFiles(".failed", 0).empty());
  home.write("webhooks/20010101000000000000.aaaaaaaaaaaa.failed",
             "group=shop\ncatalog=orders\nlabel=ORD-0\ncreated=978307200\nnext=978307200\n"
             "attempts=1\nreply=HTTP/1.1 404 Not Found\nurl=https://hooks.example/\n\n{}");
  home.write("webhooks/sent.log", "978307200\tid\t\tshop\tORD-0\thttps://hooks.example/\t200\n");
  std::string command = programPath("insert") + " --expire --home " + home.path() + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_FALSE(home.exists("webhooks/20010101000000000000.aaaaaaaaaaaa.failed"));
  EXPECT_EQ(home.read("webhooks/sent.log"), "");
}

TEST_F(WebhookTest, SpamIsNeverPosted) {
  WebhookReceiver receiver({kSecret});
  useReceiver(receiver, "webhookAllowPrivate=on\nhoneypot=website\n");
  ASSERT_EQ(submit("name=Ana&website=spam.example").status, 0);
  EXPECT_FALSE(home.exists("webhooks"));
  EXPECT_TRUE(receiver.requests(1, 1).empty());
}

TEST_F(WebhookTest, AHeldSubmissionIsPostedOnlyOnceConfirmed) {
  WebhookReceiver receiver({kSecret});
  useReceiver(receiver, "webhookAllowPrivate=on\nconfirmField=email\n");
  ASSERT_EQ(submit("name=Ana&email=ana@example.org").status, 0);
  EXPECT_TRUE(home.exists("orders.dat.pending"));
  EXPECT_FALSE(home.exists("webhooks"));
  const std::string token(32, 'a');
  home.write("orders.dat.pending", "&TOKEN==" + toHex(sha256(token)) +
                                       "\n&FORMID==order\n&COMPUTER==192.0.2.7\n&DATE==29990101\n"
                                       "&TIME==1200\nname==Bo\nemail==bo@example.org\n\n");
  CgiResult confirmed =
      runCgi(programPath("insert"),
             postEnvironment(home.path(), "insert", "shop", "confirm=" + token, ""), "");
  ASSERT_EQ(confirmed.status, 0);
  std::vector<std::string> requests = receiver.requests(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(body(requests[0]).find("\"label\":\"ORD-1\""), std::string::npos);
  EXPECT_NE(body(requests[0]).find("\"name\":\"Bo\""), std::string::npos) << requests[0];
}

TEST_F(WebhookTest, GroupPageShowsTheMadeKeyAndRotatesIt) {
  EXPECT_EQ(view("").find("Webhook signing key"), std::string::npos);
  home.write("shop.grp.options", "webhook=https://hooks.example/in\n");
  EXPECT_EQ(view("", "").find("Webhook signing key"), std::string::npos);  // no password
  std::string page = view("");
  EXPECT_NE(page.find("Webhook signing key"), std::string::npos);
  std::string key = home.read("shop.grp.webhook.key");
  ASSERT_EQ(key.rfind("whsec_", 0), 0u);
  EXPECT_NE(page.find(key.substr(0, key.size() - 1)), std::string::npos);
  struct stat info;
  ASSERT_EQ(stat(home.file("shop.grp.webhook.key").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  view("", "password=Secret&webhookkey=rotate");
  EXPECT_NE(home.read("shop.grp.webhook.key"), key);
  EXPECT_NE(home.read("audit.log").find("webhook key rotated"), std::string::npos);
}

}  // namespace
