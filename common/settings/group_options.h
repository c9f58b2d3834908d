// The group's web options, from the optional file beside its description
// file (shop.grp -> shop.grp.options): what a group allows beyond storing a
// posted form. A group without the file allows none of it, as before.
//
// The bytes: lines "key=value" (key before the first "=", compared ignoring
// case and trimmed of blanks, as the value is); empty lines and lines that
// begin with "#" or ";" are comments; unknown keys are ignored:
//
//   uploadEndings=pdf jpg png     name endings of files a form may send; "*":
//                                 any. Without it no file is accepted.
//   uploadMaxFile=10M             largest file (bytes, or K, M, G)
//   uploadMaxTotal=25M            largest total of one submission's files
//   uploadMaxDisk=1G              largest total of all the group's uploads,
//                                 the quarantine's included
//   uploadMaxFiles=20             most file parts in one submission (every
//                                 part with a file name, empty files too)
//   quarantineMaxSize=100M        largest quarantine file; spam beyond it is
//                                 refused (429) and nothing of it stored
//   allowedOrigins=https://a.example https://b.example
//                                 sites whose scripts may post (CORS); other
//                                 sites' posts are refused
//   redirect=https://a.example/thanks.html
//                                 after a stored submission, go there
//   redirect.order=/thanks-order.html
//                                 the same for the form "order" alone
//
// the spam defences of spam_options.h (honeypot, rateLimit, ...) and how long
// records are kept, retention_options.h (retainDays, retainDays.orders), the
// mail to the visitor, auto_reply_options.h (autoReply, languageFiles), and
// double opt-in, opt_in_options.h (confirmField, confirmTemplate, confirmDays),
// webhooks, webhook_options.h (webhook, webhookSecret, ...), and the rules a
// submission must meet, validation_options.h (require.order, pattern.zip,
// label.zip ...).
#pragma once

#include <string_view>

#include "common/settings/auto_reply_options.h"
#include "common/settings/opt_in_options.h"
#include "common/settings/retention_options.h"
#include "common/settings/spam_options.h"
#include "common/settings/validation_options.h"
#include "common/settings/webhook_options.h"
#include "common/text/list.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

struct UploadLimits {
  List<Text> endings;  // lower case, without the dot; "*" for any
  long long maxFile = 10LL << 20;
  long long maxTotal = 25LL << 20;
  long long maxDisk = 1LL << 30;
  long maxFiles = 20;

  bool allowed() const { return !endings.empty(); }
  // Whether a file the visitor named `fileName` may be kept (its ending, in
  // any letter case, is listed).
  bool acceptsName(std::string_view fileName) const;
};

struct GroupOptions {
  UploadLimits uploads;
  List<Text> allowedOrigins;  // "scheme://host[:port]", as browsers send Origin
  Text redirect;              // for every form without its own
  ParamList formRedirects;    // form name = address
  SpamOptions spam;
  RetentionOptions retention;
  AutoReplyOptions autoReply;
  OptInOptions optIn;
  WebhookOptions webhooks;
  ValidationOptions validation;

  bool allowsOrigin(std::string_view origin) const;
  // The address to go to after storing a submission of `formName`; empty for
  // the answer page.
  Text redirectFor(std::string_view formName) const;
};

// The path of the options file of the group file at `groupPath`.
Text groupOptionsPath(const Text& groupPath);

// The options that `content`, the bytes of an options file, holds. A size
// that does not read as one keeps its default.
GroupOptions parseGroupOptions(std::string_view content);

// "10M" -> 10485760; -1 for anything else. Suffixes K, M, G in either case.
long long parseByteSize(std::string_view text);
