// Writing a submission as the JSON of its webhook.
#include "common/webhook/webhook_body.h"

#include <cstdio>

#include "common/cgi/json_answer.h"
#include "common/mail/mail_text.h"

namespace {

Text twoDigits(int value) { return Text::fromInt(value, 2); }

Text member(std::string_view name, std::string_view value) {
  return jsonString(name) + ":" + jsonString(value);
}

Text fieldValues(const Param& field, std::string_view charset) {
  if (field.further.empty()) return jsonString(mailUtf8(field.value.view(), charset).view());
  Text values = "[" + jsonString(mailUtf8(field.value.view(), charset).view());
  for (const Text& value : field.further)
    values += "," + jsonString(mailUtf8(value.view(), charset).view());
  return values + "]";
}

Text fileObject(const Param& field, const UploadEntry& entry, std::string_view charset) {
  return "{" + member("field", mailUtf8(field.name.view(), charset).view()) + "," +
         member("name", mailUtf8(entry.originalName.view(), charset).view()) +
         ",\"size\":" + Text::fromInt(static_cast<long>(entry.size)) + "}";
}

}  // namespace

Text webhookMembers(const Submission& submission, std::string_view group,
                    std::string_view charset) {
  const DateTime& sent = submission.sent;
  Text date = Text::fromInt(sent.year, 4) + "-" + twoDigits(sent.month) + "-" + twoDigits(sent.day);
  Text time = twoDigits(sent.hour) + ":" + twoDigits(sent.minute);
  Text fields, files;
  for (const Param& field : submission.fields) {
    std::optional<UploadEntry> upload =
        field.further.empty() ? parseUploadEntry(field.value.view()) : std::nullopt;
    Text& list = upload ? files : fields;
    if (!list.empty()) list += ",";
    if (upload)
      list += fileObject(field, *upload, charset);
    else
      list += jsonString(mailUtf8(field.name.view(), charset).view()) + ":" +
              fieldValues(field, charset);
  }
  return member("group", group) + "," +
         member("catalog", mailUtf8(submission.target.name.view(), charset).view()) + "," +
         member("label", mailUtf8(submission.label.view(), charset).view()) + "," +
         member("date", date.view()) + "," + member("time", time.view()) + ",\"fields\":{" +
         fields + "},\"files\":[" + files + "]";
}

Text webhookBody(std::string_view id, std::string_view members) {
  return "{" + member("id", id) + "," + members + "}";
}
