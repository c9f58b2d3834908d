// The local sender address.
#include "common/mail/mail.h"

#include <netdb.h>
#include <unistd.h>

#include <cstdio>

Text localSenderAddress() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
    std::snprintf(name, sizeof name, "localhost");
  Text host(name);
  addrinfo hints{};
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &found) == 0) {
    if (found && found->ai_canonname && *found->ai_canonname) host = found->ai_canonname;
    ::freeaddrinfo(found);
  }
  return "kalder@" + host;
}
