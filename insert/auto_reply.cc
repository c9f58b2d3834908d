// Choosing the template and the address of the mail to the visitor.
#include "insert/auto_reply.h"

#include "common/files/path.h"
#include "common/mail/visitor_address.h"
#include "common/settings/catalog_group.h"
#include "insert/auto_reply_count.h"

namespace {

// The posted value of `field` when there is exactly one.
Text onlyValue(const ParamList& fields, std::string_view field) {
  const Param* param = fields.find(field);
  if (!param || !param->further.empty()) return Text();
  return param->value;
}

Text templatePathOf(CatalogGroup& app, const AutoReply& reply) {
  return app.languageFile(makePath(app.group.workDir, reply.templateFile));
}

}  // namespace

void addAutoReply(CatalogGroup& app, RecordStore& store, const Submission& submission,
                  List<OutboxMail>& mails) {
  AutoReply reply = app.options.autoReply.replyFor(submission.formName.view());
  if (!reply.any()) return;
  Text address = singleMailAddress(onlyValue(submission.fields, reply.field.view()).view());
  if (address.empty()) return;
  Text path = templatePathOf(app, reply);
  if (!app.fileExists(path)) return;
  if (!admitAutoReply(app, address.view(), submission.sent)) return;
  OutboxMail mail = store.composeTemplateMail(submission, path);
  mail.recipient = address;
  mails.push_back(mail);
}
