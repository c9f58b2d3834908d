// insert and lunoder run as a web server runs them: random records stored
// one by one through a private index leave the very index that lunoder
// rebuilds from the catalog afterwards, in every insertion mode, ties
// between sort keys included.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/cgi_run.h"
#include "support/test_home.h"

namespace {

struct Mode {
  const char* insert;
  std::vector<std::string> keys;
};

class IndexOrderE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult submit(const std::string& body) {
    return runCgi(programPath("insert"),
                  postEnvironment(home.path(), "insert", "shop", "formid=order", body), body);
  }
  CgiResult rebuild() {
    std::string body = "password=Secret";
    return runCgi(programPath("lunoder"), postEnvironment(home.path(), "lunoder", "shop", "", body),
                  body);
  }

  TestHome home;
};

TEST_F(IndexOrderE2e, StoringOneByOneLeavesTheIndexThatLunoderRebuilds) {
  const Mode modes[] = {
      {"insert=sort name", {"Ana", "Bor", "ana", "%22cik", "", "Bor"}},
      {"insert=sort name r", {"Ana", "Bor", "ana", ""}},
      {"insert=sort price n", {"10", "9", "010", "x", "-1.5"}},
      {"insert=sort price nr", {"10", "9", "1e1", "x"}},
      {"insert=start", {"a"}},
      {"insert=end", {"a"}},
  };
  std::mt19937 random(99);
  for (const Mode& mode : modes) {
    home.write("shop.grp", std::string(mode.insert) +
                               "\nvars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=0\n");
    home.write("orders.dat", "");
    home.write("orders.idx", "");
    for (int i = 0; i < 30; ++i) {
      std::string key = mode.keys[random() % mode.keys.size()];
      CgiResult stored = submit("name=" + key + "&price=" + key + "&n=" + std::to_string(i));
      ASSERT_EQ(stored.status, 0) << stored.output;
    }
    std::string stored = home.read("orders.idx");
    CgiResult rebuilt = rebuild();
    ASSERT_EQ(rebuilt.status, 0) << rebuilt.output;
    EXPECT_EQ(home.read("orders.idx"), stored) << mode.insert;
  }
}

}  // namespace
