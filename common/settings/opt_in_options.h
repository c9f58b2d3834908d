// Double opt-in, from the group's options file (group_options.h): a
// submission counts only once the address it names has confirmed it. Without
// confirmField everything is stored at once, as before.
//
//   confirmField=email          the posted field that holds the address the
//                               confirmation link goes to; item-form
//                               catalogs only
//   confirmTemplate=confirm.tmt the mail (sender line, subject line, body;
//                               <var &confirmlink> is the link, <var
//                               &confirmdays> its days); without it
//                               a built-in mail in the request's language
//   confirmDays=7               how long a link stays valid; unconfirmed
//                               submissions go after that
#pragma once

#include <string_view>

#include "common/text/text.h"

struct OptInOptions {
  Text field;
  Text templateFile;
  long days = 7;

  bool enabled() const { return !field.empty(); }
};

// Takes the option `key` (case ignored) into `options`; false when the key
// is no opt-in option. A value of confirmDays that is no whole number from
// 1 keeps the default.
bool readOptInOption(std::string_view key, std::string_view value, OptInOptions& options);
