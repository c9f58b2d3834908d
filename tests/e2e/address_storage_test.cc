// addressStorage through the built insert: a record, its default mail and a
// quarantined record keep the whole address, its network or its keyed hash;
// the key is made once, only when the hashed mode needs it.
#include "common/access/address_storage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/text/sha256.h"
#include "support/cgi_run.h"
#include "support/smtp_sink.h"
#include "support/test_home.h"

namespace {

class AddressStorageTest : public ::testing::Test {
 protected:
  void useMode(const std::string& mode) {
    home.write("kalder.ini", "[GENERAL]\nmailServer=127.0.0.1:" + std::to_string(sink.port()) +
                                 "\nserverName=www.example.org\n" +
                                 (mode.empty() ? "" : "addressStorage=" + mode + "\n") +
                                 "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
  }
  CgiResult submit(const std::string& address, const std::string& body = "name=Ana") {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", body);
    env["REMOTE_ADDR"] = address;
    return runCgi(programPath("insert"), env, body);
  }
  std::string hashed(const std::string& address) const {
    return "h:" + toHex(hmacSha256(home.read(kAddressKeyName), address)).substr(0, 16);
  }

  SmtpSink sink;
  TestHome home;
};

TEST_F(AddressStorageTest, RecordAndDefaultMailKeepWhatTheModeSays) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=ORD-\ncount=0\n"
             "response=boss@example.org\n");
  home.write("order.msg", "Thanks.\n");
  const struct {
    const char* mode;
    const char* address;
    std::string stored;  // "{HASH}": the keyed hash of the address in its shortest form
  } rows[] = {
      {"", "192.0.2.7", "192.0.2.7"},
      {"full", "2001:db8:1:2::7", "2001:db8:1:2::7"},
      {"network", "192.0.2.7", "192.0.2.0/24"},
      {"network", "2001:db8:1:2::7", "2001:db8:1::/48"},
      {"Network", "::ffff:198.51.100.9", "198.51.100.0/24"},
      {"hashed", "192.0.2.7", "{HASH}192.0.2.7"},
      {"hashed", "2001:DB8:1:2::7", "{HASH}2001:db8:1:2::7"},
  };
  int label = 0;
  for (const auto& row : rows) {
    useMode(row.mode);
    ASSERT_EQ(submit(row.address).status, 0) << row.mode;
    ++label;
    bool hash = row.stored.rfind("{HASH}", 0) == 0;
    std::string stored = hash ? hashed(row.stored.substr(6)) : row.stored;
    if (!hash) {
      EXPECT_FALSE(home.exists(kAddressKeyName)) << row.mode;
    }
    std::string record =
        "&LABEL==ORD-" + std::to_string(label) + "\n&FORMID==order\n&COMPUTER==" + stored + "\n";
    EXPECT_NE(home.read("orders.dat").find(record), std::string::npos)
        << row.mode << " " << row.address << "\n"
        << home.read("orders.dat");
    auto mails = sink.mails(label);
    ASSERT_EQ(mails.size(), static_cast<size_t>(label));
    bool mailed = false;
    for (const std::string& mail : mails)
      mailed = mailed || SmtpSink::decoded(mail).find("&LABEL==ORD-" + std::to_string(label) +
                                                      "\r\n&FORMID==order\r\n&COMPUTER==" + stored +
                                                      "\r\n") != std::string::npos;
    EXPECT_TRUE(mailed) << row.mode << " " << row.address;
  }
  EXPECT_EQ(hashed("192.0.2.7").size(), 18u);
  EXPECT_NE(hashed("192.0.2.7"), hashed("2001:db8:1:2::7"));
  struct stat info;
  ASSERT_EQ(stat(home.file(kAddressKeyName).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(AddressStorageTest, QuarantineKeepsTheStoredFormAndLimitsTheRealAddress) {
  useMode("network");
  home.write("shop.grp", "index=none\nform=order\ncatalog=orders order\nlabel=ORD-\n");
  home.write("shop.grp.options", "honeypot=website\nrateLimit=1/minute\n");
  home.write("order.msg", "Thanks.\n");
  ASSERT_EQ(submit("192.0.2.7", "name=Bot&website=x").status, 0);
  EXPECT_NE(home.read("shop.grp.quarantine").find("&COMPUTER==192.0.2.0/24\n"), std::string::npos)
      << home.read("shop.grp.quarantine");
  // One network, two clients: each has its own count.
  EXPECT_EQ(submit("192.0.2.8").status, 0);
  EXPECT_NE(submit("192.0.2.8").output.find("Too many submissions"), std::string::npos);
}

}  // namespace
