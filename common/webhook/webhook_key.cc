// Making, reading and rotating the webhook key, and signing with it.
#include "common/webhook/webhook_key.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include "common/files/key_file.h"
#include "common/text/base64.h"
#include "common/text/sha256.h"

namespace {

constexpr std::string_view kPrefix = "whsec_";
constexpr size_t kKeyLength = 32;
constexpr size_t kLongestKeyFile = 256;

std::optional<Text> freshKeyText() {
  unsigned char bytes[kKeyLength];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return std::nullopt;
  return Text(kPrefix) +
         base64Encode(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

bool writeFreshKey(const Text& path, bool replace) {
  std::optional<Text> key = freshKeyText();
  return key && writeKeyFile(path, (*key + "\n").view(), replace);
}

std::optional<Text> readKeyFile(const Text& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char bytes[kLongestKeyFile];
  ssize_t got = ::read(fd, bytes, sizeof bytes);
  ::close(fd);
  if (got <= 0) return std::nullopt;
  std::string_view text = trimBlanks(std::string_view(bytes, static_cast<size_t>(got)));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  if (!webhookKeyBytes(text)) return std::nullopt;
  return Text(text);
}

}  // namespace

Text webhookKeyPath(const Text& groupPath) { return groupPath + ".webhook.key"; }

std::optional<Text> webhookKeyText(const WebhookOptions& options, const Text& groupPath) {
  if (!options.secret.empty()) {
    if (!webhookKeyBytes(options.secret.view())) return std::nullopt;
    return options.secret;
  }
  Text path = webhookKeyPath(groupPath);
  if (std::optional<Text> key = readKeyFile(path)) return key;
  if (!writeFreshKey(path, false)) return std::nullopt;
  return readKeyFile(path);
}

bool rotateWebhookKey(const Text& groupPath) {
  return writeFreshKey(webhookKeyPath(groupPath), true);
}

std::optional<Text> webhookKeyBytes(std::string_view keyText) {
  if (!keyText.starts_with(kPrefix)) return std::nullopt;
  std::optional<Text> bytes = base64Decode(keyText.substr(kPrefix.size()));
  if (!bytes || bytes->empty()) return std::nullopt;
  return bytes;
}

Text webhookSignature(std::string_view keyBytes, std::string_view id, long long timestamp,
                      std::string_view body) {
  Text signed_ = Text(id) + "." + Text::fromInt(timestamp) + "." + body;
  Sha256Digest digest = hmacSha256(keyBytes, signed_.view());
  return "v1," + base64Encode(
                     std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}
