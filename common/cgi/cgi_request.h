// CgiRequest: the innermost layer of every program. It writes the HTTP header,
// reads the request's CGI variables (request_context.h), derives the
// directories and the program name, decodes the query string and the POST
// body and starts the variable table. Everything a request brings is read
// here, once, from the context it is given; no other code reads the
// environment.
#pragma once

#include <string>

#include "common/cgi/file_part_sink.h"
#include "common/cgi/markup.h"
#include "common/cgi/message_table.h"
#include "common/cgi/request_context.h"
#include "common/cgi/request_refusal.h"
#include "common/text/param_list.h"
#include "common/text/text.h"

class CgiRequest {
 public:
  // Writes "Content-type: <contentType>\n\n" as its last step, before any
  // page. `homeVariable` names the environment variable that holds the home
  // directory; without it the home is the directory of the program file. A
  // null content type defers the header: the program writes it with
  // writeHeader once it knows what it answers with (an error page writes an
  // HTML header itself if none was). A refused request (see refusal) gets
  // no header here: its page, written once the language is known, sets the
  // status first.
  CgiRequest(const RequestContext& context, const char* contentType, const char* homeVariable);
  // The process's own request (RequestContext::fromProcess).
  CgiRequest(const char* contentType, const char* homeVariable);
  virtual ~CgiRequest() = default;
  CgiRequest(const CgiRequest&) = delete;
  CgiRequest& operator=(const CgiRequest&) = delete;

  const Text& root() const { return root_; }
  const Text& home() const { return home_; }
  const Text& WWWhome() const { return WWWhome_; }
  const Text& CGIhome() const { return CGIhome_; }
  const Text& program() const { return program_; }
  const Text& pathInfo() const { return pathInfo_; }
  ParamList& postParams() { return postParams_; }
  ParamList& queryParams() { return queryParams_; }
  VariableTable& variables() { return variables_; }
  const ParamList& postParams() const { return postParams_; }
  const ParamList& queryParams() const { return queryParams_; }
  const VariableTable& variables() const { return variables_; }
  // The request's CGI variables ("REQUEST_METHOD", "HTTP_ORIGIN", ...).
  const RequestVariables& requestVariables() const { return context_.variables; }
  Text requestVariable(std::string_view name) const { return context_.variables.value(name); }
  const Text& method() const { return method_; }
  // Where the body is read from and the answer written to.
  std::FILE* input() const { return context_.streams.input; }
  std::FILE* output() const { return context_.streams.output; }
  FileCache* fileCache() const { return context_.files; }
  // Writes bytes to the answer unchanged (no formatting, no coding conversion).
  void writeDirect(std::string_view bytes) const;

  // Writes the header: the content type (none when empty, for an answer
  // without a body), the answer's header lines, further header lines (each
  // ended by a line feed) and the empty line. Only the first call writes
  // anything.
  void writeHeader(std::string_view contentType, std::string_view moreLines = {});
  bool headerWritten() const { return headerWritten_; }
  // The status the header will carry ("405 Method Not Allowed"); without one
  // the server answers 200. Has no effect once the header is written.
  void setStatus(std::string_view status) { status_ = Text(status); }
  bool hasStatus() const { return !status_.empty(); }
  // Header lines (each ended by a line feed) that every answer to this
  // request carries from now on, an error page too: added once what they
  // depend on is known, before the header is written.
  void addAnswerHeaderLines(std::string_view lines) { answerHeaderLines_ += lines; }
  // The one inline script the page will hold, named by its script-src
  // source ("'sha256-<base64 digest>'" of its text between the tags byte for
  // byte): the script policy (see guardPageScripts) lets the browser run it
  // and nothing else. Set before the header is written.
  void allowPageScript(std::string_view scriptSource) { pageScriptSource_ = scriptSource; }

  // True when the program offers JSON answers and the request asks for one
  // (see json_answer.h): its pages, error pages too, are JSON objects.
  bool answersJson() const { return answersJson_; }
  // The status of a JSON error answer for `message`, when none is set.
  const char* jsonErrorStatus(const MessageTable& message) const;

  // A urlencoded request body exactly as it arrived, before decoding; empty
  // for a body of another content type (its fields are in postParams).
  const Text& rawBody() const { return rawBody_; }
  // Why the request was refused while decoding it (Refusal::None when it was
  // not); its parameters and body are then dropped, and the program must
  // answer with refuseRequest.
  Refusal refusal() const { return refusal_; }
  // True when the request went over a limit below.
  bool oversized() const { return refusal_ == Refusal::TooLarge; }

  // A program that receives files (insert, ProgramTraits) reads a multipart
  // body itself; every other program has its file parts refused.
  // True while a multipart body waits for readDeferredBody.
  bool bodyDeferred() const { return bodyDeferred_; }
  // Reads the waiting body: its fields into postParams, its files through
  // `files` (null: a chosen file is refused), text parts converted to
  // `pageCharset`. Up to `fileAllowance` bytes of files may come beyond the
  // body limit; a longer CONTENT_LENGTH is refused unread. Sets refusal().
  void readDeferredBody(FilePartSink* files, long long fileAllowance, std::string_view pageCharset);

  // The query parameter, else the posted field, else the CGI variable.
  Text parameter(std::string_view name) const;

  // The plain error page, for a program without the page layer: no coding
  // conversion.
  virtual void errorPage(const Markup& title, const Markup& message);

  // Limits that no real form reaches. A larger request is refused whole
  // rather than cut: its body is not read, so neither time nor memory grows
  // with what a client chooses to send.
  static constexpr long kMaxBodyLength = 16L * 1024 * 1024;
  static constexpr ParamLimits kLimits{.items = 10000, .nameLength = 1024, .valueLength = 1 << 20};

 private:
  void deriveDirectories(const char* homeVariable);
  void decodeParameters();
  void decodeBody(long length);
  void decodeMultipart(long length, std::string_view boundary, FilePartSink* files = nullptr,
                       std::string_view pageCharset = {});
  void refuse(Refusal why);

  RequestContext context_;
  Text method_;
  Text root_;
  Text home_;
  Text WWWhome_;
  Text CGIhome_;
  Text program_;
  Text pathInfo_;
  ParamList postParams_;
  ParamList queryParams_;
  VariableTable variables_;
  Text rawBody_;
  Text status_;
  Text answerHeaderLines_;
  Text pageScriptSource_;  // empty: the page holds no script
  bool headerWritten_ = false;
  bool answersJson_ = false;
  Refusal refusal_ = Refusal::None;
  bool bodyDeferred_ = false;
  long deferredLength_ = 0;
  std::string deferredBoundary_;
};
