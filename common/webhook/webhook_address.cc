// Taking webhook URLs apart, resolving them, and the private-network rule.
#include "common/webhook/webhook_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cctype>
#include <charconv>
#include <cstring>

namespace {

bool privateV4(const unsigned char* a) {
  return a[0] == 0 || a[0] == 10 || a[0] == 127 || (a[0] == 100 && (a[1] & 0xc0) == 64) ||
         (a[0] == 169 && a[1] == 254) || (a[0] == 172 && (a[1] & 0xf0) == 16) ||
         (a[0] == 192 && a[1] == 168) || a[0] >= 224;
}

// An IPv6 address that carries an IPv4 one (mapped, NAT64, 6to4) reaches
// what that one reaches; the IPv4-compatible ::/96 (with :: and ::1) is
// never a webhook's, and a sit tunnel would carry it to IPv4.
bool privateV6(const unsigned char* a) {
  static constexpr unsigned char kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  static constexpr unsigned char kNat64Prefix[12] = {0, 0x64, 0xff, 0x9b};
  static constexpr unsigned char kZero[12] = {};
  if (std::memcmp(a, kMappedPrefix, 12) == 0) return privateV4(a + 12);
  if (std::memcmp(a, kNat64Prefix, 12) == 0) return privateV4(a + 12);
  if (a[0] == 0x20 && a[1] == 0x02) return privateV4(a + 2);
  if (std::memcmp(a, kZero, 12) == 0) return true;
  return (a[0] & 0xfe) == 0xfc || (a[0] == 0xfe && (a[1] & 0xc0) == 0x80) || a[0] == 0xff;
}

// A host name as libcurl looks it up among the pinned addresses: ASCII
// letters, digits, "-", "_" and inner dots. Anything else (an IDN it would
// convert, an escape it would decode, a final dot) could be looked up under
// another name, unpinned.
bool plainHostName(std::string_view host) {
  if (host.empty() || host.front() == '.' || host.back() == '.') return false;
  for (char c : host)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
      return false;
  return true;
}

bool ipv6Literal(std::string_view host) {
  unsigned char bytes[16];
  return inet_pton(AF_INET6, Text(host).c_str(), bytes) == 1;
}

bool readPort(std::string_view text, int& port) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port > 0 && port < 65536;
}

}  // namespace

std::optional<WebhookTarget> parseWebhookUrl(std::string_view url) {
  WebhookTarget target;
  size_t schemeEnd = url.find("://");
  if (schemeEnd == std::string_view::npos) return std::nullopt;
  std::string_view scheme = url.substr(0, schemeEnd);
  if (equalsIgnoreCase(scheme, "https"))
    target.https = true;
  else if (!equalsIgnoreCase(scheme, "http"))
    return std::nullopt;
  std::string_view rest = url.substr(schemeEnd + 3);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (authority.empty() || authority.find('@') != std::string_view::npos) return std::nullopt;
  for (char c : url)
    if (static_cast<unsigned char>(c) <= ' ' || c == 127) return std::nullopt;
  std::string_view port;
  if (authority.front() == '[') {
    size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    target.host = Text(authority.substr(1, close - 1));
    if (!ipv6Literal(target.host.view())) return std::nullopt;
    std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') return std::nullopt;
    if (!after.empty()) port = after.substr(1);
    if (after.size() == 1) return std::nullopt;
  } else {
    size_t colon = authority.find(':');
    target.host = Text(authority.substr(0, colon));
    if (!plainHostName(target.host.view())) return std::nullopt;
    if (colon != std::string_view::npos && !readPort(authority.substr(colon + 1), target.port))
      return std::nullopt;
  }
  if (!port.empty() && !readPort(port, target.port)) return std::nullopt;
  if (target.host.empty()) return std::nullopt;
  if (target.port == 0) target.port = target.https ? 443 : 80;
  return target;
}

bool isPrivateAddress(std::string_view address) {
  Text text(address);
  unsigned char bytes[16];
  if (inet_pton(AF_INET, text.c_str(), bytes) == 1) return privateV4(bytes);
  if (inet_pton(AF_INET6, text.c_str(), bytes) == 1) return privateV6(bytes);
  return true;
}

List<Text> resolveWebhookHost(const WebhookTarget& target) {
  List<Text> found;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* results = nullptr;
  if (getaddrinfo(target.host.c_str(), nullptr, &hints, &results) != 0) return found;
  for (addrinfo* at = results; at; at = at->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (at->ai_family == AF_INET) bytes = &reinterpret_cast<sockaddr_in*>(at->ai_addr)->sin_addr;
    if (at->ai_family == AF_INET6) bytes = &reinterpret_cast<sockaddr_in6*>(at->ai_addr)->sin6_addr;
    if (!bytes || !inet_ntop(at->ai_family, bytes, text, sizeof text)) continue;
    bool seen = false;
    for (const Text& address : found) seen = seen || address == text;
    if (!seen) found.push_back(Text(text));
  }
  freeaddrinfo(results);
  return found;
}
