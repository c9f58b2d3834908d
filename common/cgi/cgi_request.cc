// Decoding of the CGI environment and the request parameters.
#include "common/cgi/cgi_request.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/cgi/cgi_streams.h"
#include "common/cgi/content_type.h"
#include "common/cgi/json_answer.h"
#include "common/cgi/json_body.h"
#include "common/cgi/multipart.h"
#include "common/cgi/script_policy.h"
#include "common/files/path.h"

namespace {

Text ownProgramPath(const Text& programArgument) {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) return Text(buffer, static_cast<size_t>(n));
  return programArgument;
}

// Older servers pass PATH_TRANSLATE; it stands for PATH_TRANSLATED in every
// lookup of this request (the request's own copy of its variables).
void adoptPathTranslate(RequestVariables& variables) {
  if (!variables.value("PATH_TRANSLATED").empty()) return;
  Text fallback = variables.value("PATH_TRANSLATE");
  if (!fallback.empty()) variables.set("PATH_TRANSLATED", fallback.view());
}

// CONTENT_LENGTH as a decimal integer; anything unparsable reads as 0.
long contentLength(const RequestVariables& variables) {
  Text value = variables.value("CONTENT_LENGTH");
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(value.c_str(), &end, 10);
  if (end == value.c_str() || errno || n < 0) return 0;
  return n;
}

// Passes a form's files on and counts their bytes.
class FileByteCount : public FilePartSink {
 public:
  explicit FileByteCount(FilePartSink* sink) : sink_(sink) {}
  Refusal beginFile(std::string_view field, std::string_view fileName) override {
    return sink_->beginFile(field, fileName);
  }
  Refusal fileBytes(std::string_view bytes) override {
    bytes_ += static_cast<long>(bytes.size());
    return sink_->fileBytes(bytes);
  }
  Refusal endFile(std::string& fieldValue) override { return sink_->endFile(fieldValue); }
  long bytes() const { return bytes_; }

 private:
  FilePartSink* sink_;
  long bytes_ = 0;
};

}  // namespace

const char* CgiRequest::jsonErrorStatus(const MessageTable& message) const {
  ProgramTraits::JsonErrorStatus statusOf = context_.program.jsonErrorStatus;
  const char* status = statusOf ? statusOf(message) : nullptr;
  return status ? status : "500 Internal Server Error";
}

CgiRequest::CgiRequest(const char* contentType, const char* homeVariable)
    : CgiRequest(RequestContext::fromProcess(), contentType, homeVariable) {}

CgiRequest::CgiRequest(const RequestContext& context, const char* contentType,
                       const char* homeVariable)
    : context_(context) {
  adoptPathTranslate(context_.variables);
  method_ = requestVariable("REQUEST_METHOD");
  deriveDirectories(homeVariable);
  variables_.add("&root", root_, AddMode::Append);
  variables_.add("&home", home_, AddMode::Append);
  variables_.add("&WWWhome", WWWhome_, AddMode::Append);
  variables_.add("&CGIhome", CGIhome_, AddMode::Append);
  variables_.add("&program", program_, AddMode::Append);
  decodeParameters();
  // Decided before anything can fail, so that every answer, a refusal or
  // an unknown group too, comes in the form the script asked for.
  answersJson_ = context_.program.offersJson &&
                 asksForJson(requestVariable("HTTP_ACCEPT").view(), queryParams_.value("format"));
  if (contentType && refusal_ == Refusal::None) writeHeader(contentType);
}

void CgiRequest::writeHeader(std::string_view contentType, std::string_view moreLines) {
  if (headerWritten_) return;
  headerWritten_ = true;
  if (!status_.empty()) writeDirect(Text::format("Status: %s\n", status_));
  if (!contentType.empty()) writeDirect(Text::format("Content-type: %s\n", contentType));
  Text policy = context_.program.guardPageScripts ? scriptPolicyLines(pageScriptSource_) : Text();
  writeDirect(Text::format("%s%s%s%s\n", context_.program.standingHeaderLines, policy,
                           answerHeaderLines_, moreLines));
}

void CgiRequest::writeDirect(std::string_view bytes) const {
  std::fwrite(bytes.data(), 1, bytes.size(), output());
}

void CgiRequest::deriveDirectories(const char* homeVariable) {
  pathInfo_ = requestVariable("PATH_INFO");
  if (pathInfo_.startsWith("/")) pathInfo_.erase(0, 1);

  root_ = requestVariable("PATH_TRANSLATED");
  long keep = root_.length() - pathInfo_.length();
  root_.erase(keep < 0 ? 0 : keep);
  root_.replaceChar('\\', '/');

  CGIhome_ = requestVariable("SCRIPT_NAME");
  CGIhome_.replaceChar('\\', '/');
  if (!CGIhome_.startsWith("/")) CGIhome_.insertAt(0, "/");
  long slash = CGIhome_.findLastChar('/');
  program_ = CGIhome_.substring(slash + 1);
  CGIhome_.erase(slash + 1);

  if (homeVariable && *homeVariable) home_ = requestVariable(homeVariable);
  if (home_.empty()) {
    Text self = ownProgramPath(context_.program.programArgument);
    if (!self.empty()) home_ = directoryOf(self);
  }
  home_.toLower();
  home_.replaceChar('\\', '/');
  if (home_.last() != '/') home_ += '/';

  if (root_.empty()) {
    WWWhome_ = CGIhome_;
  } else {
    WWWhome_ = home_.substring(root_.length() - 1);
  }
}

// A part over a limit is dropped whole, so nothing of it can reach a file
// or a mail; a query within the limits stays (its language choice serves the
// page that refuses the request). After an oversized query the body is not
// read at all.
void CgiRequest::decodeParameters() {
  if (method_ != "GET" && method_ != "POST") return;
  if (!parseParams(requestVariable("QUERY_STRING"), '&', queryParams_, kLimits)) {
    queryParams_.clear();
    refuse(Refusal::TooLarge);
    return;
  }
  if (method_ != "POST") return;
  long length = contentLength(context_.variables);
  ContentType type = parseContentType(requestVariable("CONTENT_TYPE").view());
  if (context_.program.deferMultipartBodies && type.type == "multipart/form-data") {
    bodyDeferred_ = true;
    deferredLength_ = length;
    deferredBoundary_ = type.parameter("boundary").value_or("");
    return;
  }
  if (length > kMaxBodyLength) {
    refuse(Refusal::TooLarge);
    return;
  }
  decodeBody(length);
}

// The body is decoded by its content type, letter case and parameters aside;
// a body without one is urlencoded, as browsers have always posted forms.
void CgiRequest::decodeBody(long length) {
  Text contentType = requestVariable("CONTENT_TYPE");
  ContentType type = parseContentType(contentType.view());
  if (contentType.empty() || type.type == "application/x-www-form-urlencoded") {
    rawBody_.readBytes(input(), length);
    if (!parseParams(rawBody_, '&', postParams_, kLimits)) refuse(Refusal::TooLarge);
  } else if (type.type == "multipart/form-data") {
    decodeMultipart(length, type.parameter("boundary").value_or(""));
  } else if (type.type == "application/json") {
    Text body;
    body.readBytes(input(), length);
    DecodedFields fields(postParams_, kLimits);
    refuse(parseJsonBody(body.view(), fields));
  } else {
    refuse(Refusal::UnsupportedType);
  }
}

void CgiRequest::readDeferredBody(FilePartSink* files, long long fileAllowance,
                                  std::string_view pageCharset) {
  if (!bodyDeferred_) return;
  bodyDeferred_ = false;
  if (deferredLength_ > kMaxBodyLength + (files ? fileAllowance : 0)) {
    refuse(Refusal::TooLarge);
    return;
  }
  decodeMultipart(deferredLength_, deferredBoundary_, files, pageCharset);
}

// Read in pieces, so that only the part being read is held beside the
// fields, never the whole body. The bytes that are not a file's count
// against the body limit, whatever the files may add.
void CgiRequest::decodeMultipart(long length, std::string_view boundary, FilePartSink* files,
                                 std::string_view pageCharset) {
  DecodedFields fields(postParams_, kLimits);
  FileByteCount counted(files);
  MultipartParser parser(boundary, fields, files ? &counted : nullptr);
  parser.setPageCharset(pageCharset);
  Text piece;
  long read = 0;
  for (long left = length; left > 0 && parser.feed({}) == Refusal::None;) {
    long got = piece.readBytes(input(), std::min(left, 64L * 1024));
    if (got == 0) break;
    left -= got;
    read += got;
    parser.feed(piece.view());
    if (read - counted.bytes() > kMaxBodyLength) {
      refuse(Refusal::TooLarge);
      return;
    }
  }
  refuse(parser.finish());
}

// Nothing of a refused request is kept.
void CgiRequest::refuse(Refusal why) {
  if (why == Refusal::None) return;
  refusal_ = why;
  postParams_.clear();
  rawBody_ = Text();
}

Text CgiRequest::parameter(std::string_view name) const {
  if (const Param* p = queryParams_.find(name)) return p->value;
  if (const Param* p = postParams_.find(name)) return p->value;
  return requestVariable(name);
}

void CgiRequest::errorPage(const Markup& title, const Markup& message) {
  writeDirect(
      Markup::format("<html>\n<head>\n<title>%s</title>\n</head>\n<body>\n<h1>%s</h1>\n<hr>\n<b>",
                     title, title)
          .view());
  writeDirect(message.view());
  writeDirect("</b>\n<hr>\n</body>\n</html>\n");
}
