// Choosing the client's address from REMOTE_ADDR and X-Forwarded-For.
#include "common/access/client_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "common/files/path.h"
#include "common/settings/cgi_application.h"

namespace {

constexpr size_t kMaxAddressLength = 45;  // the longest IPv6 text form

bool isAddressCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.' ||
         c == ':';
}

bool looksLikeAddress(std::string_view text) {
  if (text.empty() || text.size() > kMaxAddressLength) return false;
  for (char c : text)
    if (!isAddressCharacter(c)) return false;
  return true;
}

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// The items of a list separated by blanks, tabs or commas, empty ones skipped.
template <typename Visit>
void forEachItem(std::string_view list, Visit visit) {
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && isSeparator(list[i])) ++i;
    size_t start = i;
    while (i < list.size() && !isSeparator(list[i])) ++i;
    if (i > start) visit(list.substr(start, i - start));
  }
}

bool isTrustedProxy(std::string_view address, std::string_view trustedProxies) {
  bool trusted = false;
  forEachItem(trustedProxies, [&](std::string_view proxy) {
    trusted = trusted || equalsIgnoreCase(proxy, address);
  });
  return trusted;
}

}  // namespace

Text clientAddress(std::string_view remoteAddr, std::string_view forwardedFor,
                   std::string_view trustedProxies) {
  std::string_view address = remoteAddr;
  if (looksLikeAddress(remoteAddr) && isTrustedProxy(remoteAddr, trustedProxies)) {
    std::string_view last;
    forEachItem(forwardedFor, [&](std::string_view item) { last = item; });
    if (!last.empty()) address = last;
  }
  return looksLikeAddress(address) ? Text(address) : Text("unknown");
}

Text recordedClientAddress(const CgiApplication& app) {
  Text remote = app.requestVariable("REMOTE_ADDR");
  if (!looksLikeAddress(remote.view()) ||
      !isTrustedProxy(remote.view(), app.settings.trustedProxies.view()))
    return remote;
  return clientAddress(app);
}

Text clientKey(std::string_view address) {
  in6_addr v6;
  if (address.size() > kMaxAddressLength || address.find(':') == std::string_view::npos)
    return Text(address);
  std::string text(address);
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return Text(address);
  char out[INET6_ADDRSTRLEN];
  if (IN6_IS_ADDR_V4MAPPED(&v6)) {
    in_addr v4;
    std::memcpy(&v4, &v6.s6_addr[12], 4);
    return Text(inet_ntop(AF_INET, &v4, out, sizeof out));
  }
  std::memset(&v6.s6_addr[8], 0, 8);
  return Text(inet_ntop(AF_INET6, &v6, out, sizeof out)) + "/64";
}

Text clientAddress(const CgiApplication& app) {
  return clientAddress(app.requestVariable("REMOTE_ADDR").view(),
                       app.requestVariable("HTTP_X_FORWARDED_FOR").view(),
                       app.settings.trustedProxies.view());
}
