// Reading the spam options of a group's options file.
#include "common/settings/spam_options.h"

#include <charconv>

namespace {

List<RateWindow> defaultRateLimits() { return {RateWindow{5, 60}, RateWindow{30, 3600}}; }

long readNumber(std::string_view text) {
  long number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < 0 ||
      number > 1000000000L)
    return -1;
  return number;
}

List<Text> names(std::string_view text);

List<std::string_view> words(std::string_view text) {
  List<std::string_view> list;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != ',') continue;
    if (i > start) list.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return list;
}

// "5/minute 30/hour"; false (the list untouched) when any part does not read.
bool readRateLimits(std::string_view value, List<RateWindow>& limits) {
  List<RateWindow> read;
  for (std::string_view word : words(value)) {
    size_t slash = word.find('/');
    if (slash == std::string_view::npos) return false;
    RateWindow window{readNumber(word.substr(0, slash)), parseDuration(word.substr(slash + 1))};
    if (window.count < 1 || window.seconds < 1) return false;
    read.push_back(window);
  }
  if (read.empty()) return false;
  limits = read;
  return true;
}

List<Text> names(std::string_view text) {
  List<Text> list;
  for (std::string_view word : words(text)) list.push_back(Text(word));
  return list;
}

}  // namespace

long parseDuration(std::string_view text) {
  static constexpr struct {
    std::string_view name;
    long seconds;
  } kUnits[] = {{"second", 1}, {"minute", 60}, {"hour", 3600}, {"day", 86400},
                {"s", 1},      {"m", 60},      {"h", 3600},    {"d", 86400}};
  for (const auto& unit : kUnits) {
    if (unit.name.size() > 1 && equalsIgnoreCase(text, unit.name)) return unit.seconds;
  }
  if (text.empty()) return -1;
  for (const auto& unit : kUnits) {
    if (unit.name.size() != 1 || !equalsIgnoreCase(text.substr(text.size() - 1), unit.name))
      continue;
    long number = readNumber(text.substr(0, text.size() - 1));
    return number < 0 ? -1 : number * unit.seconds;
  }
  return -1;
}

bool readSpamOption(std::string_view key, std::string_view value, SpamOptions& options) {
  bool off = equalsIgnoreCase(value, "off");
  if (equalsIgnoreCase(key, "honeypot")) {
    options.honeypot = off ? Text() : Text(value);
  } else if (equalsIgnoreCase(key, "rateLimit")) {
    if (off) {
      options.rateLimits.clear();
    } else if (equalsIgnoreCase(value, "on")) {
      options.rateLimits = defaultRateLimits();
    } else {
      readRateLimits(value, options.rateLimits);
    }
  } else if (equalsIgnoreCase(key, "duplicateWindow")) {
    long seconds = equalsIgnoreCase(value, "on") ? 600 : parseDuration(value);
    if (off) options.duplicateSeconds = 0;
    if (seconds >= 1) options.duplicateSeconds = seconds;
  } else if (equalsIgnoreCase(key, "spamRules")) {
    if (off || equalsIgnoreCase(value, "on")) options.spamRules = !off;
  } else if (equalsIgnoreCase(key, "spamThreshold")) {
    long threshold = readNumber(value);
    if (threshold >= 1) options.spamThreshold = threshold;
  } else if (equalsIgnoreCase(key, "blockedWordsFile")) {
    options.blockedWordsFile = off ? Text() : Text(value);
  } else if (equalsIgnoreCase(key, "numericFields")) {
    options.numericFields = names(value);
  } else if (equalsIgnoreCase(key, "emptyFields")) {
    options.emptyFields = names(value);
  } else if (equalsIgnoreCase(key, "campaignWindow")) {
    long seconds = equalsIgnoreCase(value, "on") ? kDefaultCampaignSeconds : parseDuration(value);
    if (off) options.campaignSeconds = 0;
    if (seconds >= 1) options.campaignSeconds = seconds;
  } else if (equalsIgnoreCase(key, "rateLimitNetwork")) {
    if (off || equalsIgnoreCase(value, "on")) {
      options.networkRateScaled = !off;
      options.networkRateLimits.clear();
    } else if (readRateLimits(value, options.networkRateLimits)) {
      options.networkRateScaled = false;
    }
  } else if (equalsIgnoreCase(key, "proofOfWork")) {
    long bits = equalsIgnoreCase(value, "on") ? kDefaultProofBits : readNumber(value);
    if (off) options.proofBits = 0;
    if (bits >= 1 && bits <= kMaxProofBits) options.proofBits = bits;
  } else if (equalsIgnoreCase(key, "powScore")) {
    long points = readNumber(value);
    if (points >= 0 && points <= 1000) options.powScore = points;
  } else if (equalsIgnoreCase(key, "quarantineDays")) {
    long days = readNumber(value);
    if (days >= 1) options.quarantineDays = days;
  } else {
    return false;
  }
  return true;
}

List<RateWindow> networkRateLimits(const SpamOptions& options) {
  if (!options.networkRateScaled) return options.networkRateLimits;
  List<RateWindow> limits = options.rateLimits;
  if (limits.empty()) limits = defaultRateLimits();
  for (RateWindow& window : limits) window.count *= kNetworkRateFactor;
  return limits;
}
