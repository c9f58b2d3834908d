// The honeypot check: people never see the field, so a value in it came
// from a program (a bot, or a browser's autofill, which is why the
// submission is kept in the quarantine rather than thrown away).
#include "insert/spam_defence.h"

#include "common/settings/catalog_group.h"

Text quarantineReason(CatalogGroup& app) {
  const Text& honeypot = app.options.spam.honeypot;
  if (honeypot.empty()) return Text();
  const Param* field = app.postParams().find(honeypot.view());
  if (field && (!field->value.empty() || !field->further.empty())) {
    return Text("honeypot field filled");
  }
  return Text();
}
