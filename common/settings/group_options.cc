// Reading a group's options file.
#include "common/settings/group_options.h"

#include <charconv>

#include "common/text/file_lines.h"

namespace {

List<Text> words(std::string_view text) {
  List<Text> list;
  Text word;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ',') {
      if (!word.empty()) list.push_back(word);
      word = "";
    } else {
      word += std::string_view(&c, 1);
    }
  }
  if (!word.empty()) list.push_back(word);
  return list;
}

void readEndings(std::string_view value, List<Text>& endings) {
  endings.clear();
  for (Text word : words(value)) {
    if (word.startsWith(".")) word.erase(0, 1);
    if (word.empty()) continue;
    word.toLower();
    endings.push_back(word);
  }
}

void readSize(std::string_view value, long long& size) {
  long long read = parseByteSize(value);
  if (read >= 0) size = read;
}

void readCount(std::string_view value, long& count) {
  long read = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), read);
  if (!value.empty() && error == std::errc() && end == value.data() + value.size() && read >= 0)
    count = read;
}

}  // namespace

bool UploadLimits::acceptsName(std::string_view fileName) const {
  for (const Text& ending : endings) {
    if (ending == "*") return true;
  }
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return false;
  Text ending(fileName.substr(dot + 1));
  ending.toLower();
  for (const Text& allowed : endings) {
    if (allowed == ending) return true;
  }
  return false;
}

bool GroupOptions::allowsOrigin(std::string_view origin) const {
  for (const Text& allowed : allowedOrigins) {
    if (allowed.equalsIgnoreCase(origin)) return true;
  }
  return false;
}

Text GroupOptions::redirectFor(std::string_view formName) const {
  for (const Param& entry : formRedirects) {
    if (entry.name.equalsIgnoreCase(formName)) return entry.value;
  }
  return redirect;
}

Text groupOptionsPath(const Text& groupPath) { return groupPath + ".options"; }

long long parseByteSize(std::string_view text) {
  text = trimBlanks(text);
  long long scale = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'k':
      case 'K': scale = 1LL << 10; break;
      case 'm':
      case 'M': scale = 1LL << 20; break;
      case 'g':
      case 'G': scale = 1LL << 30; break;
      default: break;
    }
    if (scale != 1) text.remove_suffix(1);
  }
  long long number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < 0)
    return -1;
  if (number > (1LL << 50) / scale) return -1;
  return number * scale;
}

GroupOptions parseGroupOptions(std::string_view content) {
  GroupOptions options;
  forEachLine(content, [&](std::string_view line, size_t, size_t) {
    line = trimBlanks(line);
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    Text key(trimBlanks(line.substr(0, equals)));
    std::string_view value = trimBlanks(line.substr(equals + 1));
    if (key.equalsIgnoreCase("uploadEndings")) {
      readEndings(value, options.uploads.endings);
    } else if (key.equalsIgnoreCase("uploadMaxFile")) {
      readSize(value, options.uploads.maxFile);
    } else if (key.equalsIgnoreCase("uploadMaxTotal")) {
      readSize(value, options.uploads.maxTotal);
    } else if (key.equalsIgnoreCase("uploadMaxDisk")) {
      readSize(value, options.uploads.maxDisk);
    } else if (key.equalsIgnoreCase("uploadMaxFiles")) {
      readCount(value, options.uploads.maxFiles);
    } else if (key.equalsIgnoreCase("quarantineMaxSize")) {
      readSize(value, options.spam.quarantineMaxSize);
    } else if (key.equalsIgnoreCase("allowedOrigins")) {
      options.allowedOrigins = words(value);
    } else if (key.equalsIgnoreCase("redirect")) {
      options.redirect = Text(value);
    } else if (key.length() > 9 && Text(key.view().substr(0, 9)).equalsIgnoreCase("redirect.")) {
      options.formRedirects.add(key.view().substr(9), value, AddMode::Replace);
    } else if (!readOptInOption(key.view(), value, options.optIn) &&
               !readRetentionOption(key.view(), value, options.retention) &&
               !readAutoReplyOption(key.view(), value, options.autoReply) &&
               !readWebhookOption(key.view(), value, options.webhooks) &&
               !readValidationOption(key.view(), value, options.validation)) {
      readSpamOption(key.view(), value, options.spam);
    }
  });
  return options;
}
