// The answer of insert to a request that may not store.
#include "insert/method_refusal.h"

#include "common/files/path.h"
#include "common/metrics/metric_events.h"

bool isPostRequest(const RequestContext& request) {
  return request.variables.value("REQUEST_METHOD") == "POST";
}

void MethodRefusal::refuse() {
  // Counted only for a group that kalder.ini names: the path is anyone's.
  if (const Param* group = settings.groups.find(pathInfo()))
    countMetricEvent(home(), kSubmissionMetric, group->name.view(), "refused_method");
  refuseMethod(*this);
}

void refuseMethod(CgiPage& page) {
  page.setStatus("405 Method Not Allowed");
  page.addAnswerHeaderLines("Allow: POST\n");
  page.fatal(messages::kPostOnly);
}
