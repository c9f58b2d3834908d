// clientAddress: REMOTE_ADDR, or behind a trusted proxy the last address of
// X-Forwarded-For, and never anything that is not an address.
#include "common/access/client_address.h"

#include <gtest/gtest.h>

namespace {

struct Row {
  const char* remote;
  const char* forwarded;
  const char* trusted;
  const char* client;
};

TEST(ClientAddress, Table) {
  const Row rows[] = {
      {"192.0.2.7", "", "", "192.0.2.7"},
      {"192.0.2.7", "203.0.113.9", "", "192.0.2.7"},  // no proxy trusted
      {"10.0.0.1", "203.0.113.9", "10.0.0.1", "203.0.113.9"},
      {"10.0.0.1", "198.51.100.7, 203.0.113.9", "10.0.0.9 10.0.0.1", "203.0.113.9"},
      {"10.0.0.1", "198.51.100.7,203.0.113.9 ,", "10.0.0.9,10.0.0.1", "203.0.113.9"},
      {"10.0.0.2", "203.0.113.9", "10.0.0.1", "10.0.0.2"},  // another sender
      {"10.0.0.1", "", "10.0.0.1", "10.0.0.1"},             // nothing forwarded
      {"10.0.0.1", " , ", "10.0.0.1", "10.0.0.1"},
      {"10.0.0.1", "a b\nc", "10.0.0.1", "unknown"},  // a forged line
      {"10.0.0.1", "203.0.113.9\n198.51.100.1", "10.0.0.1", "unknown"},
      {"2001:DB8::1", "", "", "2001:DB8::1"},
      {"fe80::1", "2001:db8::7", "FE80::1", "2001:db8::7"},
      {"", "", "", "unknown"},
      {"192.0.2.7 x", "", "", "unknown"},
      {"1234567890123456789012345678901234567890123456", "", "", "unknown"},  // 46 characters
  };
  for (const Row& row : rows)
    EXPECT_EQ(clientAddress(row.remote, row.forwarded, row.trusted), row.client)
        << row.remote << " | " << row.forwarded << " | " << row.trusted;
}

}  // namespace

TEST(ClientAddress, KeyOfAClient) {
  struct Row {
    const char *address, *key;
  } rows[] = {
      {"192.0.2.7", "192.0.2.7"},
      {"2001:db8:1:2::1", "2001:db8:1:2::/64"},
      {"2001:DB8:1:2:ffff:ffff:ffff:ffff", "2001:db8:1:2::/64"},
      {"2001:db8::1", "2001:db8::/64"},
      {"::ffff:192.0.2.7", "192.0.2.7"},
      {"::1", "::/64"},
      {"unknown", "unknown"},
      {"1:2:3", "1:2:3"},
  };
  for (const Row& row : rows) EXPECT_EQ(clientKey(row.address), Text(row.key)) << row.address;
}
