// Reading the webhook keys of a group's options file.
#include "common/settings/webhook_options.h"

#include "common/settings/group_options.h"

namespace {

List<Text> wordsOf(std::string_view value) {
  List<Text> found;
  for (size_t at = 0; at < value.size();) {
    size_t end = value.find_first_of(" \t", at);
    if (end == std::string_view::npos) end = value.size();
    if (end > at) found.push_back(Text(value.substr(at, end - at)));
    at = end + 1;
  }
  return found;
}

}  // namespace

bool readWebhookOption(std::string_view key, std::string_view value, WebhookOptions& options) {
  if (equalsIgnoreCase(key, "webhook")) {
    options.urls = wordsOf(value);
  } else if (equalsIgnoreCase(key, "webhookSecret")) {
    options.secret = Text(value);
  } else if (equalsIgnoreCase(key, "webhookCaFile")) {
    options.caFile = Text(value);
  } else if (equalsIgnoreCase(key, "webhookAllowPrivate")) {
    options.allowPrivate = equalsIgnoreCase(value, "on");
  } else if (equalsIgnoreCase(key, "webhookMaxSpool")) {
    long long size = parseByteSize(value);
    if (size >= 0) options.maxSpool = size;
  } else {
    return false;
  }
  return true;
}
