// A resident process answering request after request over FastCGI gives
// each request the answer a fresh CGI process gives it: the same requests,
// in the same order, sent to fresh processes in one home and to one
// resident process per program in another, compare byte for byte, and so
// do the files they leave. And its memory stays flat over many requests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "support/cgi_run.h"
#include "support/fastcgi_client.h"
#include "support/test_home.h"

namespace {

const char kGroups[] = "[GROUPS]\nshop={HOME}shop.grp\nclub={HOME}club.grp\n";
const char kShop[] = "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=1\n";
const char kClub[] = "vars=DT\ndata=;name\nindex=none\nform=member\ncatalog=members member\n";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// One home with the two groups; `general` is the [GENERAL] section.
struct Site {
  TestHome home;
  void settings(const std::string& general) const {
    home.write("kalder.ini", replaceAll("[GENERAL]\npassword=Secret\n" + general + kGroups,
                                        "{HOME}", home.path()));
  }
  Site() {
    settings("");
    home.write("shop.grp", kShop);
    home.write("club.grp", kClub);
    home.write("order.msg", "Stored <var &label> for <var name>.\n");
    home.write("member.msg", "Welcome <var name>, <var &language>.\n");
  }
};

struct Step {
  const char* program;
  const char* method;
  const char* group;
  const char* query;
  const char* body;
  const char* general;  // new [GENERAL] lines of kalder.ini before the request; null: unchanged
  const char* accept;
};

// Failures next to good requests, both groups and both languages in turn,
// a JSON answer between pages, settings changed between two requests.
const Step kSteps[] = {
    {"insert", "POST", "shop", "formid=order", "name=Ana", nullptr, ""},
    {"insert", "POST", "nope", "formid=order", "name=Lost", nullptr, ""},
    {"insert", "POST", "shop", "formid=order", "name=Bor", nullptr, ""},
    {"insert", "POST", "club", "formid=member&language=slo,utf8,UTF-8", "name=%C4%8Ce", nullptr,
     ""},
    {"insert", "POST", "shop", "formid=missing", "name=Cene", nullptr, ""},
    {"insert", "POST", "club", "formid=member", "name=Dora", nullptr, "application/json"},
    {"insert", "POST", "club", "formid=missing", "name=Ema", nullptr, ""},
    {"insert", "GET", "shop", "formid=order", "", nullptr, ""},
    {"insert", "POST", "shop", "formid=order", "name=Fran", nullptr, ""},
    {"insert", "POST", "shop", "formid=missing", "", "language=slo\n", ""},
    {"insert", "POST", "shop", "formid=missing", "", "", ""},
    {"insert", "POST", "shop", "formid=order", "name=Gal", "", ""},
    {"zorvik", "POST", "", "", "password=wrong", nullptr, ""},
    {"zorvik", "POST", "shop", "", "password=Secret", nullptr, ""},
    {"zorvik", "POST", "", "language=slo", "password=Secret", nullptr, ""},
    {"show", "POST", "shop", "catalog=orders", "password=Secret", nullptr, ""},
    {"show", "POST", "club", "catalog=members&language=slo,utf8,UTF-8", "password=Secret", nullptr,
     ""},
    {"lunoder", "POST", "nope", "", "password=Secret", nullptr, ""},
    {"lunoder", "POST", "shop", "", "password=Secret", nullptr, ""},
    {"insert", "POST", "club", "formid=member", "name=Hana", nullptr, ""},
};

Environment environmentOf(const Site& site, const Step& step) {
  std::string body = step.body;
  Environment env = postEnvironment(site.home.path(), step.program, step.group, step.query, body);
  env["REQUEST_METHOD"] = step.method;
  env.erase("PATH_TRANSLATED");  // zorvik's help links would hold a piece of the home's name
  if (*step.accept) env["HTTP_ACCEPT"] = step.accept;
  return env;
}

// These tests talk FastCGI themselves: the suite's FastCGI run skips them.
TEST(ResidentProcess, AnswersEveryRequestAsAFreshProcessDoes) {
  if (fastCgiMode()) GTEST_SKIP();
  Site fresh, resident;
  std::map<std::string, std::unique_ptr<FastCgiServer>> servers;
  int number = 0;
  for (const Step& step : kSteps) {
    ++number;
    if (step.general) {
      fresh.settings(step.general);
      resident.settings(step.general);
    }
    std::unique_ptr<FastCgiServer>& server = servers[step.program];
    if (!server) server = std::make_unique<FastCgiServer>(programPath(step.program));
    CgiProcess process(programPath(step.program), environmentOf(fresh, step), step.body);
    CgiResult expected = process.wait();
    CgiResult got = server->request(environmentOf(resident, step), step.body);
    EXPECT_EQ(got.status, expected.status) << "step " << number;
    EXPECT_EQ(replaceAll(got.output, resident.home.path(), "{HOME}"),
              replaceAll(expected.output, fresh.home.path(), "{HOME}"))
        << "step " << number;
  }
  for (const char* name : {"shop.grp", "club.grp", "orders.dat", "members.dat"})
    EXPECT_EQ(resident.home.read(name), fresh.home.read(name)) << name;
}

// The descriptors a program holds between requests: it closes a request's
// connection only after the client has (libfcgi waits for the client's end),
// so the fewest of a few looks.
long idleDescriptors(const FastCgiServer& server) {
  long fewest = server.openDescriptors();
  for (int look = 0; look < 5; ++look) {
    usleep(10000);
    fewest = std::min(fewest, server.openDescriptors());
  }
  return fewest;
}

struct Growth {
  long residentBytes = 0;
  long openDescriptors = 0;
};

// Requests of every kind, `rounds` times; returns the growth of the resident
// set and the open descriptors of all four processes from the end of the
// first tenth to the end, none when a process died.
std::optional<Growth> growthOver(int rounds) {
  Site site;
  site.home.write("shop.grp", "vars=DT\nindex=none\nform=order\ncatalog=orders order\n");
  std::map<std::string, std::unique_ptr<FastCgiServer>> servers;
  for (const char* program : {"insert", "zorvik", "show", "lunoder"})
    servers[program] = std::make_unique<FastCgiServer>(programPath(program));
  const Step mix[] = {
      {"insert", "POST", "shop", "formid=order", "name=Ana&note=a+few+words", nullptr, ""},
      {"insert", "POST", "nope", "formid=order", "name=Lost", nullptr, ""},
      {"insert", "POST", "club", "formid=member&language=slo,utf8,UTF-8", "name=%C4%8Ce", nullptr,
       "application/json"},
      {"zorvik", "POST", "shop", "", "password=Secret", nullptr, ""},
      {"show", "POST", "club", "catalog=members", "password=Secret", nullptr, ""},
      {"show", "POST", "club", "catalog=members", "password=wrong", nullptr, ""},
      {"lunoder", "POST", "nope", "", "password=Secret", nullptr, ""},
      {"insert", "GET", "shop", "", "", nullptr, ""},
  };
  auto total = [&] {
    Growth sum;
    for (auto& [name, server] : servers) {
      sum.residentBytes += server->residentBytes();
      sum.openDescriptors += idleDescriptors(*server);
    }
    return sum;
  };
  Growth start;
  for (int round = 0; round < rounds; ++round) {
    if (round == rounds / 10) start = total();
    for (const Step& step : mix) {
      CgiResult r = servers[step.program]->request(environmentOf(site, step), step.body);
      if (r.status < 0) return std::nullopt;
    }
    // The club's catalog is truncated now and then, so that show's page
    // stays the same size.
    if (round % 100 == 0) site.home.write("members.dat", "");
  }
  Growth end = total();
  return Growth{end.residentBytes - start.residentBytes,
                end.openDescriptors - start.openDescriptors};
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

TEST(ResidentProcess, MemoryAndDescriptorsStayFlatOverTenThousandRequests) {
  // The address sanitizer holds freed memory back on purpose.
  if (fastCgiMode() || kSanitized) GTEST_SKIP();
  // The benchmark script asks for 100,000.
  const char* wanted = std::getenv("KALDER_RESIDENT_REQUESTS");
  int requests = wanted ? std::atoi(wanted) : 10000;
  std::optional<Growth> growth = growthOver(requests / 8);
  ASSERT_TRUE(growth.has_value()) << "a resident process died";
  EXPECT_LT(growth->residentBytes, 1L << 20) << "bytes";
  EXPECT_EQ(growth->openDescriptors, 0);
  std::printf("resident growth over %d requests: %ld bytes\n", requests, growth->residentBytes);
}

}  // namespace
