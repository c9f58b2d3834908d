// What a record keeps of an address in each addressStorage mode, and the key
// the hashed mode makes once.
#include "common/access/address_storage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/text/sha256.h"
#include "support/test_home.h"

namespace {

TEST(AddressStorage, ModeNamedBySetting) {
  const struct {
    const char* setting;
    AddressStorage mode;
  } rows[] = {
      {"", AddressStorage::Full},         {"full", AddressStorage::Full},
      {"FULL", AddressStorage::Full},     {"network", AddressStorage::Network},
      {"Hashed", AddressStorage::Hashed}, {"hash", AddressStorage::Network},  // misspelt
      {"full ", AddressStorage::Network},
  };
  for (const auto& row : rows) EXPECT_EQ(addressStorageNamed(row.setting), row.mode) << row.setting;
}

TEST(AddressStorage, NetworkOfAnAddress) {
  const struct {
    const char *address, *network;
  } rows[] = {
      {"192.0.2.7", "192.0.2.0/24"},
      {"198.51.100.255", "198.51.100.0/24"},
      {"::ffff:192.0.2.7", "192.0.2.0/24"},
      {"2001:db8:1:2::7", "2001:db8:1::/48"},
      {"2001:DB8:0001:ffff:ffff:ffff:ffff:ffff", "2001:db8:1::/48"},
      {"2001:db8::1", "2001:db8::/48"},
      {"::1", "::/48"},
      {"fe80::1", "fe80::/48"},
      {"", ""},
      {"unknown", "unknown"},
      {"192.0.2.7\nx", "unknown"},
      {"1.2.3", "unknown"},
  };
  for (const auto& row : rows) EXPECT_EQ(addressNetwork(row.address), row.network) << row.address;
}

TEST(AddressStorage, HashedAddressIsKeyedAndOfTheShortestForm) {
  std::string key(32, 'k');
  std::string expected = "h:" + toHex(hmacSha256(key, "2001:db8::1")).substr(0, 16);
  EXPECT_EQ(hashedAddress(key, "2001:db8::1"), expected);
  EXPECT_EQ(hashedAddress(key, "2001:DB8:0:0::1"), expected);
  EXPECT_EQ(hashedAddress(key, "::ffff:192.0.2.7"), hashedAddress(key, "192.0.2.7"));
  EXPECT_NE(hashedAddress(key, "192.0.2.7"), hashedAddress(key, "192.0.2.8"));
  EXPECT_NE(hashedAddress(std::string(32, 'j'), "192.0.2.7"), hashedAddress(key, "192.0.2.7"));
  EXPECT_EQ(hashedAddress(key, "192.0.2.7").length(), 18);
  EXPECT_EQ(hashedAddress(key, ""), "");
}

TEST(AddressStorage, KeyIsMadeOncePrivateAndKept) {
  TestHome home;
  std::string path = home.file(kAddressKeyName);
  std::string first, second;
  ASSERT_TRUE(loadAddressKey(path, first));
  ASSERT_TRUE(loadAddressKey(path, second));
  EXPECT_EQ(first.size(), kAddressKeyLength);
  EXPECT_EQ(first, second);
  EXPECT_EQ(home.read(kAddressKeyName), first);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(AddressStorage, DamagedKeyIsNeverReplaced) {
  TestHome home;
  home.write(kAddressKeyName, "short");
  std::string key;
  EXPECT_FALSE(loadAddressKey(home.file(kAddressKeyName), key));
  EXPECT_EQ(home.read(kAddressKeyName), "short");
}

}  // namespace
