// The stored form of a client's address: whole, its network, or hashed.
#include "common/access/address_storage.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/random.h>
#include <unistd.h>

#include <cstring>

#include "common/files/key_file.h"
#include "common/files/path.h"
#include "common/settings/cgi_application.h"
#include "common/text/sha256.h"

namespace {

constexpr size_t kMaxAddressLength = 45;  // the longest IPv6 text form

// An address in its own family's bytes; an IPv4 address written as IPv6 is
// the IPv4 address.
struct ParsedAddress {
  int family = 0;  // 0: no address
  in_addr v4{};
  in6_addr v6{};
};

ParsedAddress parseAddress(std::string_view text) {
  ParsedAddress parsed;
  if (text.empty() || text.size() > kMaxAddressLength) return parsed;
  std::string copy(text);
  if (inet_pton(AF_INET, copy.c_str(), &parsed.v4) == 1) {
    parsed.family = AF_INET;
  } else if (inet_pton(AF_INET6, copy.c_str(), &parsed.v6) == 1) {
    parsed.family = AF_INET6;
    if (IN6_IS_ADDR_V4MAPPED(&parsed.v6)) {
      std::memcpy(&parsed.v4, &parsed.v6.s6_addr[12], 4);
      parsed.family = AF_INET;
    }
  }
  return parsed;
}

Text written(const ParsedAddress& address) {
  char out[INET6_ADDRSTRLEN];
  if (address.family == AF_INET) return Text(inet_ntop(AF_INET, &address.v4, out, sizeof out));
  return Text(inet_ntop(AF_INET6, &address.v6, out, sizeof out));
}

bool readWholeKey(const Text& path, std::string& key) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  char bytes[kAddressKeyLength];
  ssize_t got = ::read(fd, bytes, sizeof bytes);
  ::close(fd);
  if (got != static_cast<ssize_t>(sizeof bytes)) return false;
  key.assign(bytes, sizeof bytes);
  return true;
}

bool makeKey(const Text& path) {
  unsigned char bytes[kAddressKeyLength];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return false;
  return writeKeyFile(path, std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

}  // namespace

AddressStorage addressStorageNamed(std::string_view setting) {
  if (setting.empty() || equalsIgnoreCase(setting, "full")) return AddressStorage::Full;
  if (equalsIgnoreCase(setting, "hashed")) return AddressStorage::Hashed;
  return AddressStorage::Network;
}

Text addressNetwork(std::string_view address) {
  if (address.empty()) return Text();
  ParsedAddress parsed = parseAddress(address);
  if (parsed.family == AF_INET) {
    parsed.v4.s_addr &= htonl(0xffffff00);
    return written(parsed) + "/24";
  }
  if (parsed.family == AF_INET6) {
    std::memset(&parsed.v6.s6_addr[6], 0, 10);
    return written(parsed) + "/48";
  }
  return Text("unknown");
}

Text hashedAddress(std::string_view key, std::string_view address) {
  if (address.empty()) return Text();
  ParsedAddress parsed = parseAddress(address);
  Text canonical = parsed.family ? written(parsed) : Text(address);
  return Text("h:") + Text(toHex(hmacSha256(key, canonical.view())).substr(0, 16));
}

bool loadAddressKey(const Text& keyPath, std::string& key) {
  if (readWholeKey(keyPath, key)) return true;
  return makeKey(keyPath) && readWholeKey(keyPath, key);
}

Text storedAddress(CgiApplication& app, const Text& address) {
  switch (addressStorageNamed(app.settings.addressStorage.view())) {
    case AddressStorage::Full: return address;
    case AddressStorage::Network: return addressNetwork(address.view());
    case AddressStorage::Hashed: break;
  }
  Text keyPath = makePath(app.home(), kAddressKeyName);
  std::string key;
  if (!loadAddressKey(keyPath, key)) app.fatal(messages::kCreateFailed, keyPath);
  return hashedAddress(key, address.view());
}

bool readAddressKey(const Text& keyPath, std::string& key) { return readWholeKey(keyPath, key); }
