// Statuses of insert's error answers by message.
#include "insert/error_status.h"

#include <initializer_list>

#include "common/settings/group_messages.h"

const char* submissionErrorStatus(const MessageTable& message) {
  // The messages are inline variables: one address each in the program.
  if (&message == &messages::kUnknownGroup) return "404 Not Found";
  for (const MessageTable* visitorFault :
       {&messages::kNoGroup, &messages::kNoForm, &messages::kFormNotFound,
        &messages::kCatalogNotFound, &messages::kNoCatalogForForm}) {
    if (&message == visitorFault) return "400 Bad Request";
  }
  return nullptr;
}
