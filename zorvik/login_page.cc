// The login page.
#include "zorvik/login_page.h"

#include "zorvik/admin_application.h"
#include "zorvik/admin_texts.h"
#include "zorvik/page_markup.h"

void writeLoginPage(AdminApplication& app) {
  using namespace adminTexts;
  app.print("<html>\n");
  app.writeHead(app.text(kLoginTitle));
  app.print("<body>\n");
  app.print("<form method=post action=\"%szorvik.exe", exactValue(app.CGIhome()));
  app.print("%s\">\n", app.languageQuery());
  app.print("<h1>%s</h1>\n", app.text(kLoginHeading));
  app.print("<hr>\n<p>\n");
  app.print("%s:\n", app.text(kPasswordPrompt));
  app.print("<input type=password name=password>\n");
  app.print("<input type=submit value=\"  OK  \">\n");
  app.print("</form>\n<hr>\n</body>\n</html>\n");
}
