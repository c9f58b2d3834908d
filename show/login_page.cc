// The login page, in the manner of the administration program's.
#include "show/login_page.h"

#include "show/show_application.h"
#include "show/show_texts.h"

void writeLoginPage(ShowApplication& app) {
  using namespace showTexts;
  Text body;
  body += Text::format("<form method=post action=\"%s\">\n", app.actionUrl(app.requested()));
  body += "<h1>";
  body += Text::format(app.text(kLoginHeading), escapeHtml(app.groupName));
  body += "</h1>\n<hr>\n<p>\n";
  body += Text::format("%s:\n", app.text(kPasswordPrompt));
  body += "<input type=password name=password>\n";
  body += "<input type=submit value=\"  OK  \">\n";
  body += "</form>\n<hr>\n";
  app.writePage(Text(app.text(kLoginTitle)), body);
}
