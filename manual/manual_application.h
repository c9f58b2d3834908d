// ManualApplication: the program object of manual, the public help pages.
// It serves the page that the request's path names in the request's
// language, coding and charset, or a "not found" page; it reads kalder.ini
// for the language defaults and the header text, and asks for no password.
#pragma once

#include "common/settings/cgi_application.h"
#include "manual/help_pages.h"

class ManualApplication : public CgiApplication {
 public:
  // The header waits until the page is known: a missing one answers 404.
  explicit ManualApplication(const RequestContext& context) : CgiApplication(context, nullptr) {}
  ManualApplication() : ManualApplication(RequestContext::fromProcess()) {}
  void run();

 private:
  // `script` is the text of the page's script, which its header admits.
  void writePage(const HelpPage& page);
  void writeNotFound();
  void writeFrameStart(const Markup& title);
  void writeNavigation(const char* pageName);
  void writeBody(const char* body);
};
