// The mail to the visitor after a stored submission, from the group's options
// file (group_options.h). Without `autoReply` nobody but the staff is mailed.
//
//   autoReply=email thanks.tmt     the address in the field "email" gets the
//                                  template "thanks.tmt" (sender line, subject
//                                  line, body, as a staff template)
//   autoReply.order=mail order.tmt the same for the form "order" alone
//   autoReplyPerAddress=3          at most that many a day to one address
//   autoReplyMaxPerDay=100         at most that many a day for the group
//   languageFiles=on               "thanks.slo.tmt" before "thanks.tmt" for a
//                                  Slovenian request (language_file.h)
//
// A count that does not read as a whole number keeps its default.
#pragma once

#include <string_view>

#include "common/text/list.h"
#include "common/text/text.h"

struct AutoReply {
  Text field;         // the posted field that holds the address
  Text templateFile;  // relative to the group's working folder
  bool any() const { return !field.empty() && !templateFile.empty(); }
};

struct AutoReplyOptions {
  struct FormReply {
    Text form;
    AutoReply reply;
  };

  AutoReply reply;  // every form without its own
  List<FormReply> formReplies;
  long perAddress = 3;
  long perDay = 100;
  bool languageFiles = false;

  // The reply of the form `formName`; `any()` false for none.
  AutoReply replyFor(std::string_view formName) const;
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no auto-reply option.
bool readAutoReplyOption(std::string_view key, std::string_view value, AutoReplyOptions& options);
