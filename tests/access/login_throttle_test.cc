// LoginFailures: the table of failed logins behind the throttle, its window,
// its bounds and the text of its state file.
#include "common/access/login_throttle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr long kNow = 1700000000;
constexpr long kWindow = LoginFailures::kWindowSeconds;

LoginFailures failing(const std::string& address, int times, long at) {
  LoginFailures table;
  for (int i = 0; i < times; ++i) table.addFailure(address, at);
  return table;
}

TEST(LoginFailures, TheTenthFailureWithinTheWindowRefuses) {
  EXPECT_EQ(failing("a", 9, kNow).refusedUntil("a", kNow), 0);
  EXPECT_EQ(failing("a", 10, kNow).refusedUntil("a", kNow), kNow + kWindow);
  EXPECT_EQ(failing("a", 10, kNow).refusedUntil("b", kNow), 0);
  EXPECT_EQ(failing("a", 10, kNow - kWindow + 1).refusedUntil("a", kNow), kNow + 1);
  EXPECT_EQ(failing("a", 10, kNow - kWindow).refusedUntil("a", kNow), 0);
}

// Ten failures count only while the oldest of the latest ten is in the window.
TEST(LoginFailures, TheWindowSlides) {
  LoginFailures table = failing("a", 9, kNow - kWindow + 10);
  table.addFailure("a", kNow);
  EXPECT_EQ(table.refusedUntil("a", kNow), kNow + 10);
  EXPECT_EQ(table.refusedUntil("a", kNow + 10), 0);
  table.addFailure("a", kNow + 10);  // the oldest drops out: nine in the window again
  EXPECT_EQ(table.refusedUntil("a", kNow + 10), 0);
}

TEST(LoginFailures, ForgettingClearsOneAddress) {
  LoginFailures table = failing("a", 10, kNow);
  table.addFailure("b", kNow);
  EXPECT_TRUE(table.forget("a"));
  EXPECT_FALSE(table.forget("a"));
  EXPECT_EQ(table.refusedUntil("a", kNow), 0);
  EXPECT_EQ(table.text(kNow), "b " + std::to_string(kNow) + "\n");
}

TEST(LoginFailures, TextKeepsTheLatestTenOfEachLeastRecentFirstAndDropsExpired) {
  LoginFailures table = failing("old", 3, kNow - kWindow);
  for (int i = 0; i < 12; ++i) table.addFailure("a", kNow - 100 + i);
  table.addFailure("b", kNow - 50);
  std::string expected = "a";
  for (int i = 2; i < 12; ++i) expected += " " + std::to_string(kNow - 100 + i);
  expected += "\nb " + std::to_string(kNow - 50) + "\n";
  EXPECT_EQ(table.text(kNow), expected);
  LoginFailures reread;
  reread.read(expected);
  EXPECT_EQ(reread.text(kNow), expected);
}

TEST(LoginFailures, AtMostAThousandAddressesTheLeastRecentDropOut) {
  LoginFailures table;
  for (long i = 0; i < 1005; ++i) table.addFailure("192.0.2." + std::to_string(i), kNow + i);
  LoginFailures reread;
  reread.read(table.text(kNow));
  EXPECT_FALSE(reread.has("192.0.2.4"));
  EXPECT_TRUE(reread.has("192.0.2.5"));
  EXPECT_TRUE(reread.has("192.0.2.1004"));
}

TEST(LoginFailures, MalformedLinesAreSkipped) {
  LoginFailures table;
  table.read(
      "lonely\n"
      "a 12x\n"
      "b 1700000000 -5\n"
      "c 99999999999999\n"
      "\n"
      "d  1700000000   1700000001 \n"
      "d 1700000002\n"
      "e 1700000001 1700000000");
  EXPECT_EQ(table.text(kNow),
            "d 1700000000 1700000001\n"
            "e 1700000000 1700000001\n");
}

}  // namespace
