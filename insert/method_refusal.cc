// The answer of insert to a request that may not store.
#include "insert/method_refusal.h"

#include "common/files/path.h"

bool isPostRequest(const RequestContext& request) {
  return request.variables.value("REQUEST_METHOD") == "POST";
}

void refuseMethod(CgiPage& page) {
  page.setStatus("405 Method Not Allowed");
  page.addAnswerHeaderLines("Allow: POST\n");
  page.fatal(messages::kPostOnly);
}
