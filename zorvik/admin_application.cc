// Login and dispatch of the administration pages.
#include "zorvik/admin_application.h"

#include "common/access/admin_access.h"
#include "common/cgi/raw_fields.h"
#include "common/files/path.h"
#include "zorvik/group_actions.h"
#include "zorvik/login_page.h"
#include "zorvik/settings_actions.h"

void AdminApplication::run() {
  // Posted values are taken exactly as the page wrote them: without the
  // quote-letter expansion, a value holding a quote before c, s or z keeps
  // its bytes through a save.
  if (method() == "POST") {
    postParams().clear();
    parseRawFields(rawBody().view(), postParams());
  }
  bool admitted = admitAdministrator(*this, postParams().value("password").view());
  writeHeader("text/html");
  if (!admitted) {
    writeLoginPage(*this);
  } else if (!pathInfo().empty()) {
    handleGroupPage(*this);
  } else {
    handleSettingsPage(*this);
  }
}
