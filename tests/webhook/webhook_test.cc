// The parts of a webhook delivery that need no network: the URL and address
// rules, base64, the signature, which answers fail for good, the spool's
// file format and the JSON of a submission.
#include <gtest/gtest.h>

#include "common/mail/outbox.h"
#include "common/text/base64.h"
#include "common/webhook/webhook_address.h"
#include "common/webhook/webhook_body.h"
#include "common/webhook/webhook_key.h"
#include "common/webhook/webhook_post.h"

namespace {

TEST(WebhookAddress, UrlsTakenApart) {
  struct Case {
    const char* url;
    bool valid;
    bool https;
    const char* host;
    int port;
  } cases[] = {
      {"https://hooks.example/in", true, true, "hooks.example", 443},
      {"HTTP://hooks.example:8080", true, false, "hooks.example", 8080},
      {"http://[fe80::1]:81/x?y", true, false, "fe80::1", 81},
      {"https://[::1]/", true, true, "::1", 443},
      {"ftp://hooks.example/", false, false, "", 0},
      {"https://user:pw@hooks.example/", false, false, "", 0},
      {"https://hooks.example:0/", false, false, "", 0},
      {"https://hooks.example:70000/", false, false, "", 0},
      {"https://hooks.example:/", false, false, "", 0},
      {"https://hooks.example:8x/", false, false, "", 0},
      {"https:///path", false, false, "", 0},
      {"https://[::1/", false, false, "", 0},
      {"https://hooks.example/a b", false, false, "", 0},
      {"https://hooks.example/\r\nX: y", false, false, "", 0},
      {"hooks.example", false, false, "", 0},
      // A host libcurl would spell otherwise than the resolver was asked
      // (IDN, a zone, an escape, a final dot) misses the pinned addresses
      // and is resolved again at connect time: written as curl uses it only.
      {"https://xn--bcher-kva.example/", true, true, "xn--bcher-kva.example", 443},
      {"https://b\xc3\xbc"
       "cher.example/",
       false, false, "", 0},
      {"https://hooks.example./", false, false, "", 0},
      {"https://hooks%2eexample/", false, false, "", 0},
      {"https://[fe80::1%25eth0]/", false, false, "", 0},
      {"https://[not:an:address]/", false, false, "", 0},
      {"https://hooks\\.example/", false, false, "", 0},
  };
  for (const Case& c : cases) {
    std::optional<WebhookTarget> target = parseWebhookUrl(c.url);
    ASSERT_EQ(target.has_value(), c.valid) << c.url;
    if (!c.valid) continue;
    EXPECT_EQ(target->https, c.https) << c.url;
    EXPECT_EQ(target->host, c.host) << c.url;
    EXPECT_EQ(target->port, c.port) << c.url;
  }
}

TEST(WebhookAddress, PrivateNetworksAreRecognised) {
  struct Case {
    const char* address;
    bool isPrivate;
  } cases[] = {
      {"127.0.0.1", true},
      {"10.1.2.3", true},
      {"172.16.0.1", true},
      {"172.31.255.255", true},
      {"172.32.0.1", false},
      {"192.168.1.1", true},
      {"169.254.169.254", true},
      {"100.64.0.1", true},
      {"100.128.0.1", false},
      {"0.0.0.0", true},
      {"224.0.0.1", true},
      {"93.184.216.34", false},
      {"::1", true},
      {"::", true},
      {"fe80::1", true},
      {"fd00::1", true},
      {"fc00::1", true},
      {"ff02::1", true},
      {"::ffff:127.0.0.1", true},
      {"::ffff:93.184.216.34", false},
      {"::127.0.0.1", true},  // IPv4-compatible: a sit tunnel carries it to IPv4
      {"::10.0.0.1", true},
      {"64:ff9b::127.0.0.1", true},  // NAT64 to an address of the own network
      {"64:ff9b::10.0.0.1", true},
      {"64:ff9b::93.184.216.34", false},
      {"2002:7f00:1::1", true},  // 6to4 around 127.0.0.1
      {"2002:5db8:d822::1", false},
      {"2001:db8::1", false},
      {"not an address", true},
  };
  for (const Case& c : cases) EXPECT_EQ(isPrivateAddress(c.address), c.isPrivate) << c.address;
}

TEST(WebhookKey, Base64BothWaysAndMalformedText) {
  for (std::string_view bytes : {"", "f", "fo", "foo", "foob", "fooba", "foobar"})
    EXPECT_EQ(base64Decode(base64Encode(bytes).view()), Text(bytes)) << bytes;
  EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
  for (std::string_view bad : {"Zm9v!", "Z", "Zm9vY", "Zm 9v"})
    EXPECT_FALSE(base64Decode(bad).has_value()) << bad;
  EXPECT_FALSE(webhookKeyBytes("MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw").has_value());
  EXPECT_FALSE(webhookKeyBytes("whsec_").has_value());
  EXPECT_FALSE(webhookKeyBytes("whsec_***").has_value());
}

// The signature a receiver that follows the convention works out (Python's
// hmac and base64 gave it).
TEST(WebhookKey, SignatureOfIdTimestampAndBody) {
  std::optional<Text> key = webhookKeyBytes("whsec_MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw");
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(webhookSignature(key->view(), "msg_1", 1700000000, "{\"a\":1}"),
            "v1,hVsFLpmw4Ib/Xm0eZLt3KqYBZdt0U8gdGeuz0EsGv78=");
}

TEST(WebhookPost, WhichAnswersFailForGood) {
  struct Case {
    int status;
    bool delivered, forGood;
  } cases[] = {{200, true, false},  {204, true, false}, {0, false, false},   {301, false, false},
               {400, false, true},  {404, false, true}, {408, false, false}, {429, false, false},
               {500, false, false}, {503, false, false}};
  for (const Case& c : cases) {
    WebhookAnswer answer;
    answer.status = c.status;
    EXPECT_EQ(answer.delivered(), c.delivered) << c.status;
    EXPECT_EQ(answer.failsForGood(), c.forGood) << c.status;
  }
}

TEST(WebhookSpool, FileHoldsTheUrlAndNoMailLines) {
  OutboxMail delivery;
  delivery.group = "shop";
  delivery.catalog = "orders";
  delivery.label = "ORD-7";
  delivery.created = 1796770000;
  delivery.next = 1796770060;
  delivery.attempts = 1;
  delivery.reply = "HTTP/1.1 503 Service Unavailable";
  delivery.recipient = "https://hooks.example/in";
  delivery.body = "{\"id\":\"x\"}";
  Text text = outboxMailText(delivery, kWebhookSpool);
  EXPECT_EQ(text,
            "group=shop\ncatalog=orders\nlabel=ORD-7\ncatalog-path=\ncreated=1796770000\n"
            "next=1796770060\nattempts=1\nreply=HTTP/1.1 503 Service Unavailable\n"
            "url=https://hooks.example/in\n\n{\"id\":\"x\"}");
  std::optional<OutboxMail> read = parseOutboxMail(text.view(), kWebhookSpool);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->recipient, delivery.recipient);
  EXPECT_EQ(read->body, delivery.body);
  EXPECT_FALSE(parseOutboxMail(text.view()).has_value());  // no mail: no recipient
}

TEST(WebhookBody, FieldsRepeatedValuesFilesAndLatin2Text) {
  Submission submission;
  submission.target.name = "orders";
  submission.label = "ORD-7";
  submission.sent = DateTime{9, 3, 2026, 7, 5};
  submission.fields.add("name", "\xe8rt \"a\"", AddMode::Append);  // "črt" in ISO-8859-2
  submission.fields.add("colour", "red", AddMode::Append);
  submission.fields.add("colour", "blue", AddMode::Append);
  submission.fields.add("cv", "cv.pdf (f1.bin, 12 bytes)", AddMode::Append);
  Text members = webhookMembers(submission, "shop", "iso-8859-2");
  EXPECT_EQ(webhookBody("d1", members.view()),
            "{\"id\":\"d1\",\"group\":\"shop\",\"catalog\":\"orders\",\"label\":\"ORD-7\","
            "\"date\":\"2026-03-09\",\"time\":\"07:05\",\"fields\":{\"name\":\"\xc4\x8drt "
            "\\\"a\\\"\",\"colour\":[\"red\",\"blue\"]},\"files\":[{\"field\":\"cv\",\"name\":"
            "\"cv.pdf\",\"size\":12}]}");
}

}  // namespace
