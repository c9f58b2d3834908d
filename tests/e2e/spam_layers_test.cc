// The second round of spam layers through the built insert: near-copies of
// a campaign's text from several addresses go to the quarantine, a network
// that rotates its addresses is refused with 429, and the proof of work's
// script and challenges are served, its solutions checked and spent once,
// and a submission without one is held, never refused. Each layer that
// stops or scores a submission counts a metric event.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "common/text/sha256.h"
#include "insert/proof_of_work.h"
#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

struct Site {
  explicit Site(const std::string& options) {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", "form=order\ncatalog=orders order\nlabel=Q-\ncount=41\n");
    home.write("shop.grp.options", options);
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult post(const std::string& body, const std::string& address = "192.0.2.7") {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", body);
    env["REMOTE_ADDR"] = address;
    env["HTTP_HOST"] = "www.example.org";
    return runCgi(programPath("insert"), env, body);
  }
  CgiResult get(const std::string& query, const std::string& origin = "",
                const std::string& address = "192.0.2.7") {
    Environment env = getEnvironment(home.path(), "insert", "shop", query);
    env["REMOTE_ADDR"] = address;
    if (!origin.empty()) env["HTTP_ORIGIN"] = origin;
    return runCgi(programPath("insert"), env);
  }
  std::string file(const std::string& name) const {
    return home.exists(name) ? home.read(name) : "";
  }
  TestHome home;
};

std::string jsonValue(const std::string& json, const std::string& name) {
  size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) return "";
  at += name.size() + 3;
  if (json[at] == '"') return json.substr(at + 1, json.find('"', at + 1) - at - 1);
  return json.substr(at, json.find_first_of(",}", at) - at);
}

// The field kalderProof for the challenge in `answer`, as the script
// would post it (URL-encoded).
std::string solution(const std::string& answer) {
  std::string body = answer.substr(answer.find("\n\n") + 2);
  std::string salt = jsonValue(body, "salt");
  long bits = std::stol(jsonValue(body, "bits"));
  long counter = 0;
  while (!leadingZeroBits(sha256(salt + ":" + std::to_string(counter)), bits)) ++counter;
  return "kalderProof=" + salt + "%3A" + std::to_string(bits) + "%3A" + jsonValue(body, "expires") +
         "%3A" + jsonValue(body, "signature") + "%3A" + std::to_string(counter);
}

}  // namespace

TEST(SpamLayers, CampaignNearCopiesFromSeveralAddressesAreHeld) {
  Site site("spamRules=on\ncampaignWindow=on\n");
  EXPECT_EQ(
      site.post("name=A&note=Loans+today+http%3A%2F%2Fx.example%2F%3Fid%3D11", "192.0.2.1").status,
      0);
  EXPECT_EQ(
      site.post("name=B&note=Loans+Today+http%3A%2F%2Fx.example%2F%3Fid%3D2345", "198.51.100.2")
          .status,
      0);
  CgiResult third =
      site.post("name=C&note=LOANS++today+http%3A%2F%2Fx.example%2F%3Fid%3D7", "203.0.113.3");
  EXPECT_NE(third.output.find("Stored Q-"), std::string::npos) << third.output;
  EXPECT_NE(site.file("shop.grp.quarantine").find("campaign 3"), std::string::npos);
  // Another text, and links to the site's own host, are no campaign.
  site.post("name=D&note=My+page+http%3A%2F%2Fy.example%2F", "203.0.113.4");
  for (const char* address : {"192.0.2.5", "192.0.2.6", "192.0.2.8"})
    site.post("name=E&note=See+https%3A%2F%2Fwww.example.org%2Fitem%2F1", address);
  std::string catalog = site.file("orders.dat");
  EXPECT_NE(catalog.find("y.example"), std::string::npos) << catalog;
  EXPECT_EQ(catalog.find("LOANS"), std::string::npos);
  EXPECT_EQ(site.file("shop.grp.campaign").find("Loans"), std::string::npos);
  EXPECT_NE(site.file("metrics.events").find("spam_layer\tshop\tcampaign\n"), std::string::npos);
}

// A bot that names its campaign's host as the request's Host: the site's
// host is the serverName of the settings, and the copies are held.
TEST(SpamLayers, ACampaignCannotPassAsTheSitesOwnHost) {
  Site site("spamRules=on\ncampaignWindow=on\n");
  site.home.write("kalder.ini",
                  "[GENERAL]\npassword=Secret\nserverName=www.example.org\n[GROUPS]\nshop=" +
                      site.home.file("shop.grp") + "\n");
  for (const char* address : {"192.0.2.1", "198.51.100.2", "203.0.113.3"}) {
    std::string body = "name=A&note=Loans+today+http%3A%2F%2Fx.example%2F";
    Environment env = postEnvironment(site.home.path(), "insert", "shop", "formid=order", body);
    env["REMOTE_ADDR"] = address;
    env["HTTP_HOST"] = "x.example";
    runCgi(programPath("insert"), env, body);
  }
  EXPECT_NE(site.file("shop.grp.quarantine").find("campaign 3"), std::string::npos);
}

TEST(SpamLayers, AddressesRotatingInOneNetworkAreRefused) {
  Site site("rateLimit=5/minute\nrateLimitNetwork=2/minute\n");
  EXPECT_EQ(site.post("name=A", "203.0.113.1").status, 0);
  EXPECT_EQ(site.post("name=B", "203.0.113.2").status, 0);
  CgiResult third = site.post("name=C", "203.0.113.3");
  EXPECT_EQ(third.output.rfind("Status: 429", 0), 0u) << third.output;
  EXPECT_EQ(site.post("name=D", "198.51.100.1").status, 0);
  EXPECT_EQ(site.post("name=E", "2001:db8:5:1::1").status, 0);
  EXPECT_EQ(site.post("name=F", "2001:db8:5:2::1").status, 0);
  EXPECT_EQ(site.post("name=G", "2001:db8:5:3::1").output.rfind("Status: 429", 0), 0u);
  EXPECT_NE(site.file("shop.grp.rate").find("203.0.113.0/24 "), std::string::npos);
  EXPECT_NE(site.file("metrics.events").find("spam_layer\tshop\trate_limit_network\n"),
            std::string::npos);
}

TEST(SpamLayers, ChallengesAndTheScriptAreServedOnlyWithTheOption) {
  Site site("proofOfWork=8\nallowedOrigins=https://forms.example.net\n");
  CgiResult challenge = site.get("challenge=1", "https://forms.example.net");
  EXPECT_EQ(challenge.output.rfind("Content-type: application/json; charset=utf-8\n", 0), 0u)
      << challenge.output;
  EXPECT_NE(challenge.output.find("Cache-Control: no-store\n"), std::string::npos);
  EXPECT_NE(challenge.output.find("Access-Control-Allow-Origin: https://forms.example.net\n"),
            std::string::npos);
  std::string json = challenge.output.substr(challenge.output.find("\n\n") + 2);
  EXPECT_EQ(jsonValue(json, "salt").size(), 32u) << json;
  EXPECT_EQ(jsonValue(json, "bits"), "8");
  EXPECT_EQ(jsonValue(json, "signature").size(), 64u);
  // The key is made once, private.
  struct stat key {};
  ASSERT_EQ(stat(site.home.file("shop.grp.pow.key").c_str(), &key), 0);
  EXPECT_EQ(key.st_mode & 0777, 0600u);
  std::string keyBytes = site.file("shop.grp.pow.key");
  site.get("challenge=1");
  EXPECT_EQ(site.file("shop.grp.pow.key"), keyBytes);
  CgiResult script = site.get("challenge=script");
  EXPECT_EQ(script.output.rfind("Content-type: text/javascript; charset=utf-8\n", 0), 0u);
  EXPECT_NE(script.output.find("kalderProof"), std::string::npos);
  EXPECT_EQ(script.output.find("https://"), std::string::npos);  // no outside address
  Site without("spamRules=on\n");
  EXPECT_EQ(without.get("challenge=1").output.rfind("Status: 405", 0), 0u);
}

TEST(SpamLayers, ASolvedProofStoresOnceAndAMissingOneIsHeldNotRefused) {
  Site site("proofOfWork=8\n");
  std::string proof = solution(site.get("challenge=1").output);
  CgiResult solved = site.post("name=Ana&" + proof);
  EXPECT_NE(solved.output.find("Stored Q-42."), std::string::npos) << solved.output;
  EXPECT_EQ(site.file("orders.dat").find("kalderProof"), std::string::npos);
  struct Case {
    std::string body;
    const char* what;
  } unproven[] = {
      {"name=Bea&" + proof, "the same solution again"},
      {"name=Cene", "no proof"},
      {"name=Dan&kalderProof=forged", "a forged one"},
  };
  for (const Case& c : unproven) {
    CgiResult answer = site.post(c.body);
    EXPECT_EQ(answer.status, 0) << c.what;
    EXPECT_EQ(answer.output.find("Status:"), std::string::npos) << c.what << answer.output;
    EXPECT_NE(answer.output.find("Stored Q-"), std::string::npos) << c.what;
  }
  std::string quarantine = site.file("shop.grp.quarantine");
  size_t held = 0;
  for (size_t at = quarantine.find("proof of work 3"); at != std::string::npos;
       at = quarantine.find("proof of work 3", at + 1))
    ++held;
  EXPECT_EQ(held, 3u) << quarantine;
  EXPECT_EQ(quarantine.find("kalderProof"), std::string::npos);
  EXPECT_EQ(site.file("orders.dat").find("Bea"), std::string::npos);
  EXPECT_NE(site.file("metrics.events").find("spam_layer\tshop\tproof_of_work\n"),
            std::string::npos);
  // A lower score lets a visitor without scripts through.
  Site lenient("proofOfWork=8\npowScore=1\n");
  EXPECT_NE(lenient.post("name=Eva").output.find("Stored Q-42."), std::string::npos);
}

// A network that fills its limit gets harder work, four times at most;
// every other client keeps the group's difficulty.
TEST(SpamLayers, ANetworkFillingItsLimitGetsHarderChallenges) {
  Site site("proofOfWork=8\npowScore=0\nrateLimitNetwork=8/minute\n");
  auto bits = [&](const std::string& address) {
    std::string answer = site.get("challenge=1", "", address).output;
    return jsonValue(answer.substr(answer.find("\n\n") + 2), "bits");
  };
  EXPECT_EQ(bits("203.0.113.9"), "8");
  for (int i = 1; i <= 4; ++i)
    site.post("name=N" + std::to_string(i), "203.0.113." + std::to_string(i));
  EXPECT_EQ(bits("203.0.113.9"), "9");
  for (int i = 5; i <= 8; ++i)
    site.post("name=N" + std::to_string(i), "203.0.113." + std::to_string(i));
  EXPECT_EQ(bits("203.0.113.9"), "10");
  EXPECT_EQ(bits("198.51.100.9"), "8");
}
