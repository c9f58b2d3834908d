// The JSON a webhook posts for one stored submission, in UTF-8:
//
//   {"id":"20261210021501123456.3f9a0c1d2e4b","group":"shop","catalog":"orders",
//    "label":"ORD-7","date":"2026-12-10","time":"02:15",
//    "fields":{"name":"Ana","colour":["red","blue"]},
//    "files":[{"field":"cv","name":"cv.pdf","size":12345}]}
//
// A field posted more than once has its values in an array; a field that
// holds an uploaded file is listed under "files" instead.
#pragma once

#include <string_view>

#include "common/storing/submission.h"
#include "common/text/text.h"

// Every member but the id ("group":..,"files":[..]); `charset` is the coding
// the submission's text is in. The id is known only once the delivery is
// written to the spool.
Text webhookMembers(const Submission& submission, std::string_view group, std::string_view charset);
// The whole object: the delivery's id, then the members.
Text webhookBody(std::string_view id, std::string_view members);
