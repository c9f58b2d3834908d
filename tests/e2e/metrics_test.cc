// The metrics and health pages through the built insert and show: real
// submissions counted by outcome, queues by state, the page read by the
// reference parser of the Prometheus text format (python3-prometheus-client),
// the token and the password, and health failing on a read-only workdir.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

struct Answer {
  std::string header, body;
};

Answer split(const std::string& output) {
  size_t end = output.find("\n\n");
  if (end == std::string::npos) return {output, ""};
  return {output.substr(0, end + 1), output.substr(end + 2)};
}

class Metrics : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(home.file("shopdir"));
    writeSettings("metricsToken=tok-9Zq\n");
    home.write("shop.grp", "workdir=" + home.file("shopdir") +
                               "\nform=order\ncatalog=orders order\nlabel=Q-\n");
    home.write("shop.grp.options", "honeypot=website\nrateLimit=3/minute\n");
    home.write("other.grp", "form=f\ncatalog=notes f\n");
    home.write("shopdir/order.msg", "Stored <var &label>.\n");
  }
  void writeSettings(const std::string& general) {
    home.write("kalder.ini", "[GENERAL]\npassword=Secret\n" + general +
                                 "[GROUPS]\nshop=" + home.file("shop.grp") +
                                 "\nother=" + home.file("other.grp") + "\n");
  }
  CgiResult post(const std::string& body) {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", body);
    env["REMOTE_ADDR"] = "192.0.2.7";
    return runCgi(programPath("insert"), env, body);
  }
  // The metrics page with the `authorization` header, or the password.
  CgiResult scrape(const std::string& authorization, const std::string& body = "") {
    Environment env = body.empty() ? getEnvironment(home.path(), "show", "", "metrics=1")
                                   : postEnvironment(home.path(), "show", "", "metrics=1", body);
    if (!authorization.empty()) env["HTTP_AUTHORIZATION"] = authorization;
    env["REMOTE_ADDR"] = "198.51.100.1";
    return runCgi(programPath("show"), env, body);
  }
  CgiResult health() {
    return runCgi(programPath("show"), getEnvironment(home.path(), "show", "", "health=1"));
  }
  // The samples the reference parser reads from a page, by name and labels.
  std::map<std::string, std::string> parsed(const std::string& page) {
    home.write("page.txt", page);
    std::string command = "/usr/bin/python3 " + std::string(KALDER_SOURCE_DIR) +
                          "/tests/tools/prometheus_samples.py < " + home.file("page.txt");
    std::map<std::string, std::string> samples;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return samples;
    std::string out;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << page;
    for (size_t start = 0; start < out.size();) {
      size_t end = out.find('\n', start);
      if (end == std::string::npos) end = out.size();
      std::string line = out.substr(start, end - start);
      size_t blank = line.rfind(' ');
      if (blank != std::string::npos) samples[line.substr(0, blank)] = line.substr(blank + 1);
      start = end + 1;
    }
    return samples;
  }
  TestHome home;
};

TEST_F(Metrics, CountsRealSubmissionsAndQueuesForTheReferenceParser) {
  ASSERT_EQ(post("name=Ana").status, 0);
  ASSERT_EQ(post("name=Bot&website=spam").status, 0);  // the honeypot: quarantined
  ASSERT_EQ(post("name=Bo").status, 0);
  CgiResult refused = post("name=Cy");  // the fourth within a minute
  EXPECT_NE(refused.output.find("429"), std::string::npos) << refused.output;
  Environment plain = postEnvironment(home.path(), "insert", "shop", "formid=order", "name=Di");
  plain["CONTENT_TYPE"] = "text/plain";
  EXPECT_NE(runCgi(programPath("insert"), plain, "name=Di").output.find("415"), std::string::npos);
  // Events of kinds this page does not know, with a value to escape.
  FILE* events = std::fopen(home.file("metrics.events").c_str(), "a");
  ASSERT_NE(events, nullptr);
  std::fputs("spam_layer\tshop\tquo\"te\\back\nnew_thing\tother\tx\n", events);
  std::fclose(events);
  std::filesystem::create_directories(home.file("outbox"));
  home.write("outbox/20200101000000.aaaaaaaaaaaa.mail", "x");
  home.write("outbox/20210101000000.bbbbbbbbbbbb.mail", "x");
  home.write("outbox/20200101000000.cccccccccccc.failed", "x");
  std::filesystem::create_directories(home.file("webhooks"));
  home.write("webhooks/20200101000000.dddddddddddd.hook", "x");

  CgiResult page = scrape("Bearer tok-9Zq");
  ASSERT_EQ(page.status, 0) << page.output;
  Answer answer = split(page.output);
  EXPECT_NE(answer.header.find("Content-type: text/plain; version=0.0.4; charset=utf-8\n"),
            std::string::npos)
      << answer.header;
  std::map<std::string, std::string> samples = parsed(answer.body);
  std::map<std::string, std::string> expected = {
      {"kalder_submissions_total{group=shop,outcome=stored}", "2"},
      {"kalder_submissions_total{group=shop,outcome=quarantined}", "1"},
      {"kalder_submissions_total{group=shop,outcome=refused_rate_limit}", "1"},
      {"kalder_submissions_total{group=shop,outcome=refused_content_type}", "1"},
      {"kalder_spam_layer_stops_total{group=shop,layer=quo\"te\\back}", "1"},
      {"kalder_new_thing_total{group=other,label=x}", "1"},
      {"kalder_quarantine_records{group=shop}", "1"},
      {"kalder_quarantine_records{group=other}", "0"},
      {"kalder_pending_confirmations{group=shop}", "0"},
      {"kalder_outbox_mails{state=waiting}", "2"},
      {"kalder_outbox_mails{state=failed}", "1"},
      {"kalder_outbox_mails{state=pending}", "0"},
      {"kalder_webhook_spool{state=waiting}", "1"},
      {"kalder_outbox_oldest_age_seconds{state=pending}", "0"},
  };
  for (const auto& [sample, value] : expected) EXPECT_EQ(samples[sample], value) << sample;
  long long age = std::stoll(samples["kalder_outbox_oldest_age_seconds{state=waiting}"]);
  EXPECT_GT(age, 6LL * 365 * 24 * 3600);  // since 2020, not 2021
  EXPECT_LT(age, 7LL * 365 * 24 * 3600 + 30LL * 24 * 3600 * 12);
  EXPECT_EQ(samples["kalder_webhook_spool_oldest_age_seconds{state=waiting}"],
            samples["kalder_outbox_oldest_age_seconds{state=failed}"]);

  // The detached runs fold the events; a scrape shows the same either way.
  runMailCommand(home.path());
  EXPECT_TRUE(home.exists("metrics.state"));
  std::map<std::string, std::string> again = parsed(split(scrape("Bearer tok-9Zq").output).body);
  for (const auto& [sample, value] : expected) EXPECT_EQ(again[sample], value) << sample;
}

TEST_F(Metrics, TokenOrPasswordAdmits) {
  struct Row {
    const char* authorization;
    const char* body;
    const char* shown;
  } rows[] = {
      {"Bearer tok-9Zq", "", "# TYPE kalder_submissions_total counter"},
      {"bearer  tok-9Zq", "", "# TYPE kalder_submissions_total counter"},
      {"", "password=Secret", "# TYPE kalder_submissions_total counter"},
      {"Bearer tok-9Zr", "", "Status: 401 Unauthorized"},
      {"Bearer tok-9Z", "", "Status: 401 Unauthorized"},
      {"Basic dXNlcjpTZWNyZXQ=", "password=Secret", "Status: 401 Unauthorized"},
      {"", "", "<input type=password name=password"},
      {"", "password=wrong", "<input type=password name=password"},
  };
  for (const Row& row : rows) {
    CgiResult page = scrape(row.authorization, row.body);
    EXPECT_NE(page.output.find(row.shown), std::string::npos)
        << row.authorization << " " << row.body << "\n"
        << page.output;
  }
  EXPECT_NE(scrape("Bearer tok-9Zr").output.find("WWW-Authenticate: Bearer"), std::string::npos);
  // Without the key, no token opens the page; the password still does.
  writeSettings("");
  EXPECT_NE(scrape("Bearer ").output.find("Status: 401"), std::string::npos);
  EXPECT_NE(scrape("", "password=Secret").output.find("kalder_outbox_mails{state=\"failed\"} 0"),
            std::string::npos);
}

TEST_F(Metrics, HealthNamesTheFailedCheckWithoutAPath) {
  CgiResult ok = health();
  EXPECT_EQ(split(ok.output).body, "ok\n") << ok.output;
  EXPECT_EQ(ok.output.find("Status:"), std::string::npos) << ok.output;
  struct Row {
    std::string folder, failed;
  } rows[] = {{"shopdir", "workdir shop"}, {"outbox", "outbox"}, {"", "home"}};
  std::filesystem::create_directories(home.file("outbox"));
  for (const Row& row : rows) {
    std::string path = home.file(row.folder);
    ASSERT_EQ(::chmod(path.c_str(), 0555), 0);
    CgiResult failed = health();
    ::chmod(path.c_str(), 0755);
    EXPECT_NE(failed.output.find("Status: 503"), std::string::npos) << failed.output;
    EXPECT_EQ(split(failed.output).body, row.failed + "\n") << failed.output;
    EXPECT_EQ(failed.output.find(home.path()), std::string::npos) << failed.output;
  }
  std::filesystem::remove(home.file("kalder.ini"));
  EXPECT_EQ(split(health().output).body, "settings\n");
}

}  // namespace
