// Who gets in to the password-protected programs (zorvik, show, lunoder), run
// as a web server runs them: a settings file that cannot be read stops every
// program, no stored password admits nobody, and an address that keeps
// guessing is refused for a while, whatever it posts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

const char kAdminLines[] =
    "Cache-Control: no-store\nX-Frame-Options: DENY\n"
    "Content-Security-Policy: frame-ancestors 'none'; script-src 'none'\n"
    "X-Content-Type-Options: nosniff\n";

const char* const kProtected[] = {"zorvik", "show", "lunoder"};

class AdminAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    settings("password=Secret\n");
    home.write("shop.grp", "catalog=orders\n");
    home.write("orders.dat", "&LABEL==1\n&FORMID==order\n\n");
  }
  void settings(const std::string& general) const {
    home.write("kalder.ini",
               "[GENERAL]\n" + general + "\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  }

  // A POST of `body` to `program` (zorvik's overview, the others for the
  // group) from `address`, with more CGI variables.
  CgiResult post(const std::string& program, const std::string& body,
                 const std::string& address = "192.0.2.7", const Environment& more = {},
                 const std::string& query = "") const {
    Environment env =
        postEnvironment(home.path(), program, program == "zorvik" ? "" : "shop", query, body);
    env["REMOTE_ADDR"] = address;
    for (const auto& [name, value] : more) env[name] = value;
    return runCgi(programPath(program), env, body);
  }
  CgiResult login(const std::string& program, const std::string& address = "192.0.2.7",
                  const Environment& more = {}) const {
    return post(program, "password=Secret", address, more);
  }
  void failTimes(const std::string& program, int times, const std::string& address = "192.0.2.7",
                 const Environment& more = {}) const {
    for (int i = 0; i < times; ++i) {
      CgiResult refused = post(program, "password=guess" + std::to_string(i), address, more);
      ASSERT_EQ(refused.status, 0) << refused.output;
      ASSERT_NE(refused.output.find("<input type=password name=password"), std::string::npos);
    }
  }
  // The state file with `count` failures of `address`, `secondsAgo` seconds
  // ago, after one failure of another address just now.
  void failedEarlier(const std::string& address, int count, long secondsAgo) const {
    long now = static_cast<long>(std::time(nullptr));
    std::string line = address;
    for (int i = 0; i < count; ++i) line += " " + std::to_string(now - secondsAgo);
    home.write("failed-logins.txt", "198.51.100.1 " + std::to_string(now) + "\n" + line + "\n");
  }
  static bool admitted(const CgiResult& result) {
    return result.status == 0 && result.output.find("<input type=password") == std::string::npos &&
           result.output.find("name=password value=\"Secret\"") != std::string::npos;
  }
  static bool admittedTo(const std::string& program, const CgiResult& result) {
    if (program != "lunoder") return admitted(result);
    return result.status == 0 &&
           result.output.find("Building index successful") != std::string::npos;
  }
  // The seconds of the Retry-After header line, -1 without one.
  static long retryAfter(const CgiResult& result) {
    size_t at = result.output.find("\nRetry-After: ");
    return at == std::string::npos ? -1 : std::stol(result.output.substr(at + 14));
  }
  static bool throttled(const CgiResult& result) {
    return result.status == 1 &&
           result.output.rfind("Status: 429 Too Many Requests\nContent-type: text/html\n", 0) == 0;
  }

  TestHome home;
};

// ---------------------------------------------------------------- settings

TEST_F(AdminAccess, SettingsFileThatCannotBeReadStopsEveryProgram) {
  std::remove(home.file("kalder.ini").c_str());
  ASSERT_EQ(mkdir(home.file("kalder.ini").c_str(), 0755), 0);  // exists, cannot be read as a file
  for (const char* program : {"insert", "zorvik", "show", "lunoder"}) {
    CgiResult result = post(program, "password=");
    EXPECT_EQ(result.status, 1) << program;
    EXPECT_NE(
        result.output.find("<b>Cannot open file <tt>" + home.file("kalder.ini") + "</tt></b>"),
        std::string::npos)
        << program << ": " << result.output;
    EXPECT_EQ(result.output.find("password"), std::string::npos) << program;
  }
}

TEST_F(AdminAccess, SettingsFileWithoutReadPermissionStopsTheProgram) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  chmod(home.file("kalder.ini").c_str(), 0);
  CgiResult result = post("zorvik", "password=");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("Cannot open file"), std::string::npos) << result.output;
}

TEST_F(AdminAccess, WithoutStoredPasswordNobodyGetsInInEitherLanguage) {
  for (const char* general : {"", "password=\n", "password = Secret\n"}) {
    settings(general);
    for (const char* program : kProtected) {
      CgiResult english = post(program, "password=Secret");
      EXPECT_EQ(english.status, 1) << program;
      EXPECT_EQ(
          english.output.rfind(
              std::string("Status: 403 Forbidden\nContent-type: text/html\n") + kAdminLines + "\n",
              0),
          0u)
          << program << ": " << english.output;
      EXPECT_NE(english.output.find("No administrator password is set, so these pages admit "
                                    "nobody. The administrator sets one on the server: "
                                    "<tt>zorvik.exe --set-password</tt>"),
                std::string::npos)
          << program;
      CgiResult slovenian = post(program, "password=", "192.0.2.7", {}, "language=slo");
      EXPECT_NE(slovenian.output.find("<title>Administracija je zaprta</title>"), std::string::npos)
          << program << ": " << slovenian.output;
      EXPECT_NE(slovenian.output.find("Geslo administratorja ni nastavljeno"), std::string::npos);
    }
  }
  EXPECT_FALSE(home.exists("orders.idx"));
}

TEST_F(AdminAccess, LoginPagesAreNeitherCachedNorFramed) {
  for (const char* program : kProtected) {
    CgiResult result = post(program, "");
    EXPECT_NE(result.output.find(kAdminLines), std::string::npos) << program << result.output;
    EXPECT_LT(result.output.find(kAdminLines), result.output.find("\n\n")) << program;
  }
}

// ---------------------------------------------------------------- throttle

TEST_F(AdminAccess, TenFailuresRefuseTheAddressEvenWithTheRightPassword) {
  for (const char* program : kProtected) {
    home.write("failed-logins.txt", "");
    failTimes(program, 10);
    CgiResult refused = login(program);
    EXPECT_TRUE(throttled(refused)) << program << ": " << refused.output;
    EXPECT_NEAR(retryAfter(refused), 900, 10) << refused.output;
    EXPECT_NE(refused.output.find("<h1>Too many failed logins</h1>\n<hr>\n<b>A wrong password "
                                  "came from your address too often. Please try again in 15 "
                                  "min.</b>"),
              std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find(kAdminLines), std::string::npos);
    EXPECT_TRUE(admittedTo(program, login(program, "192.0.2.8"))) << program;
  }
}

TEST_F(AdminAccess, RefusalIsInTheRequestsLanguage) {
  failedEarlier("192.0.2.7", 10, 60);
  CgiResult refused = post("show", "password=Secret", "192.0.2.7", {}, "language=slo");
  EXPECT_TRUE(throttled(refused));
  EXPECT_NE(refused.output.find("<title>Prevec neuspelih prijav</title>"), std::string::npos);
  EXPECT_NE(refused.output.find("Poskusite znova cez 14 min."), std::string::npos)
      << refused.output;
}

TEST_F(AdminAccess, NineFailuresStillLetTheRightPasswordInAndItClearsTheCount) {
  failTimes("zorvik", 9);
  EXPECT_TRUE(admitted(login("zorvik")));
  EXPECT_EQ(home.read("failed-logins.txt").find("192.0.2.7"), std::string::npos);
  failTimes("zorvik", 9);
  EXPECT_TRUE(admitted(login("zorvik")));
}

TEST_F(AdminAccess, FailuresOlderThanTheWindowNoLongerCount) {
  failedEarlier("192.0.2.7", 10, 15 * 60 + 1);
  EXPECT_TRUE(admitted(login("zorvik")));
  failedEarlier("192.0.2.7", 10, 14 * 60);
  CgiResult refused = login("zorvik");
  EXPECT_TRUE(throttled(refused));
  EXPECT_NE(refused.output.find("try again in 1 min."), std::string::npos) << refused.output;
}

TEST_F(AdminAccess, AnEmptyPasswordOrALookAtTheLoginPageIsNoFailure) {
  for (int i = 0; i < 12; ++i) post("zorvik", i % 2 ? "" : "password=");
  EXPECT_FALSE(home.exists("failed-logins.txt"));
  EXPECT_TRUE(admitted(login("zorvik")));
}

TEST_F(AdminAccess, StateFileKeepsTheFailuresOfEachAddress) {
  failTimes("show", 2, "192.0.2.7");
  failTimes("show", 1, "2001:db8::1");
  std::string state = home.read("failed-logins.txt");
  EXPECT_EQ(state.rfind("192.0.2.7 ", 0), 0u) << state;
  EXPECT_NE(state.find("\n2001:db8::/64 "), std::string::npos) << state;
  EXPECT_EQ(std::count(state.begin(), state.end(), ' '), 3);
}

// A household or server is given a whole IPv6 /64: its addresses are one
// client, or it could guess without end.
TEST_F(AdminAccess, AnIpv6ClientIsItsWholeSlash64) {
  for (int i = 1; i <= 10; ++i) failTimes("show", 1, "2001:db8:1:2::" + std::to_string(i));
  EXPECT_TRUE(throttled(login("show", "2001:db8:1:2:ffff::9")));
  EXPECT_TRUE(admitted(login("show", "::ffff:192.0.2.1")));
  EXPECT_TRUE(admitted(login("show", "2001:db8:1:3::1")));
}

// The count is checked and the outcome recorded under one lock: guesses sent
// at once after nine failures get one more check between them, not one each.
TEST_F(AdminAccess, GuessesSentAtOnceAreCheckedOneAfterTheOther) {
  failTimes("show", 9);
  std::vector<CgiResult> results(8);
  std::vector<std::thread> guesses;
  for (size_t i = 0; i < results.size(); ++i)
    guesses.emplace_back([&, i] { results[i] = post("show", "password=at-once"); });
  for (std::thread& guess : guesses) guess.join();
  int refused = 0;
  for (const CgiResult& result : results) refused += throttled(result);
  EXPECT_EQ(refused, 7);
  EXPECT_TRUE(throttled(login("show")));
}

TEST_F(AdminAccess, BehindATrustedProxyTheForwardedAddressCounts) {
  settings("password=Secret\ntrustedProxies=10.0.0.9, 10.0.0.1\n");
  failedEarlier("203.0.113.9", 10, 0);
  Environment forwarded{{"HTTP_X_FORWARDED_FOR", "198.51.100.7, 203.0.113.9"}};
  EXPECT_TRUE(throttled(login("zorvik", "10.0.0.1", forwarded)));
  EXPECT_TRUE(admitted(login("zorvik", "10.0.0.1", {{"HTTP_X_FORWARDED_FOR", "203.0.113.10"}})));
  // An untrusted sender's header is ignored: its own address counts.
  EXPECT_TRUE(admitted(login("zorvik", "10.0.0.2", forwarded)));
  failTimes("zorvik", 1, "10.0.0.1", {{"HTTP_X_FORWARDED_FOR", "203.0.113.77"}});
  EXPECT_NE(home.read("failed-logins.txt").find("\n203.0.113.77 "), std::string::npos);
  EXPECT_EQ(home.read("failed-logins.txt").find("10.0.0.1"), std::string::npos);
}

}  // namespace
