// The login page, in the manner of the administration program's.
#include "show/login_page.h"

#include "show/show_application.h"
#include "show/show_texts.h"

void writeLoginPage(ShowApplication& app) {
  using namespace showTexts;
  Markup body =
      Markup::format("<form method=post action=\"%s\">\n", app.actionUrl(app.requested()));
  ViewTarget target = app.requested();
  Markup heading = target.metrics ? app.text(kMetricsLoginHeading)
                   : target.audit ? app.text(kAuditLoginHeading)
                                  : Markup::format(app.text(kLoginHeading), app.groupName);
  body += Markup::format("<h1>%s</h1>\n<hr>\n<p>\n", heading);
  body += Markup::format("<label for=password>%s:</label>\n", app.text(kPasswordPrompt));
  body += "<input type=password name=password id=password>\n";
  body += "<input type=submit value=\"  OK  \">\n";
  body += "</form>\n<hr>\n";
  app.writePage(app.text(kLoginTitle), body);
}
