// The answer to a submission that breaks a rule of the group's options:
// nothing stored, every error listed at once in the request's language, in
// the form page itself when the site has it (refilled_form.h), else in the
// site's error template or a page of the program's own, or as JSON.
#include "common/cgi/json_answer.h"
#include "common/cgi/plain_text.h"
#include "common/files/path.h"
#include "common/settings/catalog_group.h"
#include "insert/field_rules.h"
#include "insert/refilled_form.h"
#include "insert/submission_answer.h"
#include "insert/submit_application.h"

namespace {

constexpr MessageTable kBadRule{
    "The setting <tt>%s</tt> in the options of the group cannot be used: %s",
    "Nastavitve <tt>%s</tt> v mo&zcaron;nostih skupine ni mogo&ccaron;e uporabiti: %s"};
constexpr MessageTable kErrorPrefix{"Error: ", "Napaka: "};
constexpr MessageTable kNotSent{"The form was not sent", "Obrazec ni bil poslan"};
constexpr MessageTable kCorrect{"Please correct these errors", "Prosimo, popravite te napake"};
constexpr MessageTable kBack{"Back", "Nazaj"};

constexpr char kInvalidStatus[] = "422 Unprocessable Content";

}  // namespace

bool SubmitApplication::answeredInvalid(const FormEntry& form, const Text& formName) {
  const ValidationOptions& rules = options.validation;
  if (!rules.anyRuleFor(formName.view())) return false;
  RuleCheck check = checkFields(rules, formName.view(), postParams(), currentIndex(),
                                currentLanguage().shortName);
  if (!check.badSetting.empty()) fatal(kBadRule, check.badSetting, check.badReason);
  if (check.errors.empty()) return false;
  countSubmission(*this, "invalid");
  if (answersJson()) {
    answerInvalidJson(check.errors);
    return true;
  }
  writeHeader("text/html");
  Text formPage = languageFile(makePath(group.workDir, form.formFile));
  Text page;
  if (fileExists(formPage) && readWholeFile(formPage, OpenMode::Required, page) &&
      writeRefilledForm(page, formName, check.errors))
    return true;
  Text errorTemplate = languageFile(makePath(group.workDir, form.name + ".err"));
  if (fileExists(errorTemplate)) {
    writeErrorTemplate(errorTemplate, check.errors);
    return true;
  }
  writeInvalidPage(check.errors);
  return true;
}

void SubmitApplication::answerInvalidJson(const List<FieldError>& errors) {
  setStatus(kInvalidStatus);
  writeHeader(kJsonContentType);
  Text json = "{\"ok\":false,\"errors\":[";
  for (size_t i = 0; i < errors.size(); ++i) {
    if (i > 0) json += ",";
    json += "{\"field\":" + jsonString(errors[i].field.view());
    json += ",\"label\":" + jsonString(plainText(errors[i].label.view()).view());
    json += ",\"message\":" + jsonString(plainText(errors[i].message.view()).view()) + "}";
  }
  json += "]}\n";
  writeDirect(json.view());
}

bool SubmitApplication::writeRefilledForm(const Text& page, const Text& formName,
                                          const List<FieldError>& errors) {
  RefillRequest request;
  request.fields = &postParams();
  request.errors = &errors;
  request.honeypot = options.spam.honeypot;
  request.titlePrefix = text(kErrorPrefix);
  request.heading = text(kCorrect);
  // An address a redirect could not have is not taken either.
  const Text* address = ValidationOptions::find(options.validation.formUrls, formName.view());
  request.baseAddress = address && isAcceptableRedirect(address->view()) ? *address : Text("/");
  Text refilled;
  if (!refillForm(page.view(), request, refilled)) return false;
  // The site's own page, as the answer page is written: the visitor's
  // values and the messages were escaped on their way in.
  write(Markup(refilled.view()));
  return true;
}

// The site's template sees the posted fields as the answer page does, and
// "&errors", the list of the messages, "&errorcount", their number.
void SubmitApplication::writeErrorTemplate(const Text& path, const List<FieldError>& errors) {
  Text list = "<ul>\n";
  for (const FieldError& error : errors) list += "<li>" + error.message.text() + "</li>\n";
  list += "</ul>\n";
  variables().setVerbatim("&errors", list.view());
  variables().add("&errorcount", Text::format("%d", int(errors.size())).view(), AddMode::Replace);
  writeTemplatePage(path);
}

void SubmitApplication::writeInvalidPage(const List<FieldError>& errors) {
  print("<!DOCTYPE html>\n<html lang=\"%s\">\n<head>\n", Markup(currentIndex() == 1 ? "sl" : "en"));
  writeMeta();
  writeDirect("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
  print("<title>%s%s</title>\n</head>\n<body>\n<main>\n<h1>%s</h1>\n", text(kErrorPrefix),
        text(kNotSent), text(kNotSent));
  print("<div role=\"alert\">\n<h2>%s</h2>\n<ul>\n", text(kCorrect));
  for (const FieldError& error : errors) print("<li>%s</li>\n", error.message);
  // History back keeps what the visitor typed; a fresh load of the form
  // would not.
  print("</ul>\n</div>\n<p><a href=\"javascript:history.back()\">%s</a></p>\n", text(kBack));
  writeDirect("</main>\n</body>\n</html>\n");
}
