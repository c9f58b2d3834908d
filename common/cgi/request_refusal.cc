// Refusing a request that CgiRequest could not or would not decode.
#include "common/cgi/request_refusal.h"

#include "common/cgi/cgi_page.h"

std::string_view refusalName(Refusal why) {
  switch (why) {
    case Refusal::None: return "";
    case Refusal::TooLarge: return "size";
    case Refusal::UnsupportedType: return "content_type";
    case Refusal::FileUpload: return "file_upload";
    case Refusal::FileEnding: return "file_type";
    case Refusal::FileTooLarge: return "file_size";
    case Refusal::UploadSpaceFull: return "upload_space";
    case Refusal::Malformed: return "malformed";
  }
  return "";
}

void refuseRequest(CgiPage& page) { refuseRequest(page, {"-", "-", "-"}); }

void refuseRequest(CgiPage& page, const UploadLimitTexts& limits) {
  switch (page.refusal()) {
    case Refusal::None: return;
    case Refusal::TooLarge:
      page.setStatus("413 Content Too Large");
      page.fatal(messages::kRequestTooLarge);
    case Refusal::UnsupportedType:
      page.setStatus("415 Unsupported Media Type");
      page.fatal(messages::kUnsupportedBodyType);
    case Refusal::FileUpload:
      page.setStatus("415 Unsupported Media Type");
      page.fatal(messages::kFileUploadRefused);
    case Refusal::FileEnding:
      page.setStatus("415 Unsupported Media Type");
      page.fatal(messages::kFileEndingRefused, limits.acceptedEndings);
    case Refusal::FileTooLarge:
      page.setStatus("413 Content Too Large");
      page.fatal(messages::kFileTooLarge, limits.maxFile, limits.maxTotal);
    case Refusal::UploadSpaceFull:
      page.setStatus("413 Content Too Large");
      page.fatal(messages::kUploadSpaceFull);
    case Refusal::Malformed:
      page.setStatus("400 Bad Request");
      page.fatal(messages::kMalformedBody);
  }
}
