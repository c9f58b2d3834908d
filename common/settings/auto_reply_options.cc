// Reading the auto-reply keys of a group's options file.
#include "common/settings/auto_reply_options.h"

#include <charconv>

#include "common/text/file_lines.h"

namespace {

// "email thanks.tmt": the field, then the template; anything else is none.
AutoReply readReply(std::string_view value) {
  value = trimBlanks(value);
  std::string_view field = takeWord(value);
  value = trimBlanks(value);
  std::string_view templateFile = takeWord(value);
  if (field.empty() || templateFile.empty() || !trimBlanks(value).empty()) return AutoReply{};
  return AutoReply{Text(field), Text(templateFile)};
}

void readCount(std::string_view value, long& count) {
  long read = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), read);
  if (!value.empty() && error == std::errc() && end == value.data() + value.size() && read >= 0)
    count = read;
}

constexpr std::string_view kFormPrefix = "autoReply.";

}  // namespace

AutoReply AutoReplyOptions::replyFor(std::string_view formName) const {
  for (const FormReply& entry : formReplies)
    if (entry.form.equalsIgnoreCase(formName)) return entry.reply;
  return reply;
}

bool readAutoReplyOption(std::string_view key, std::string_view value, AutoReplyOptions& options) {
  if (equalsIgnoreCase(key, "autoReply")) {
    options.reply = readReply(value);
  } else if (key.size() > kFormPrefix.size() &&
             equalsIgnoreCase(key.substr(0, kFormPrefix.size()), kFormPrefix)) {
    options.formReplies.push_back({Text(key.substr(kFormPrefix.size())), readReply(value)});
  } else if (equalsIgnoreCase(key, "autoReplyPerAddress")) {
    readCount(value, options.perAddress);
  } else if (equalsIgnoreCase(key, "autoReplyMaxPerDay")) {
    readCount(value, options.perDay);
  } else if (equalsIgnoreCase(key, "languageFiles")) {
    options.languageFiles = equalsIgnoreCase(value, "on");
  } else {
    return false;
  }
  return true;
}
