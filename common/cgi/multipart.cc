// The multipart/form-data decoder: a small state machine over the bytes fed.
#include "common/cgi/multipart.h"

#include "common/cgi/content_type.h"
#include "common/language/charset_conversion.h"
#include "common/text/text.h"

namespace {

// A header name is a token: printable ASCII without blanks or separators.
bool isHeaderName(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (c <= ' ' || c >= 127 || c == ':') return false;
  return true;
}

}  // namespace

MultipartParser::MultipartParser(std::string_view boundary, DecodedFields& fields,
                                 FilePartSink* files)
    : delimiter_("\r\n--" + std::string(boundary)), fields_(fields), files_(files) {
  if (boundary.empty() || boundary.size() > kMaxBoundary) verdict_ = Refusal::Malformed;
  // The first delimiter may open the body without a line end before it.
  pending_ = "\r\n";
}

Refusal MultipartParser::feed(std::string_view chunk) {
  if (verdict_ != Refusal::None || state_ == State::Done) return verdict_;
  pending_.append(chunk);
  while (verdict_ == Refusal::None && state_ != State::Done && step()) {
  }
  if (state_ == State::Done) pending_.clear();  // the epilogue means nothing
  return verdict_;
}

Refusal MultipartParser::finish() {
  if (verdict_ == Refusal::None && state_ != State::Done) fail(Refusal::Malformed);
  return verdict_;
}

bool MultipartParser::fail(Refusal why) {
  verdict_ = why;
  pending_.clear();
  return false;
}

bool MultipartParser::step() {
  switch (state_) {
    case State::Preamble: return skipPreamble();
    case State::AfterDelimiter: return readDelimiterEnd();
    case State::Headers: return readHeaders();
    case State::Content: return readContent();
    case State::Done: return false;
  }
  return false;
}

// Text before the first delimiter is ignored; only its possible start of a
// delimiter is kept.
bool MultipartParser::skipPreamble() {
  size_t at = pending_.find(delimiter_);
  if (at == std::string::npos) {
    size_t keep = delimiter_.size() - 1;
    if (pending_.size() > keep) pending_.erase(0, pending_.size() - keep);
    return false;
  }
  pending_.erase(0, at + delimiter_.size());
  state_ = State::AfterDelimiter;
  return true;
}

// After a delimiter: "--" closes the body; otherwise optional blanks and
// CR LF open the next part's headers.
bool MultipartParser::readDelimiterEnd() {
  if (pending_.size() < 2) return false;
  if (pending_.compare(0, 2, "--") == 0) {
    state_ = State::Done;
    return false;
  }
  size_t lineEnd = pending_.find("\r\n");
  if (lineEnd == std::string::npos) {
    return pending_.size() > kMaxPartHeaders ? fail(Refusal::Malformed) : false;
  }
  for (size_t i = 0; i < lineEnd; ++i)
    if (!isBlank(pending_[i])) return fail(Refusal::Malformed);
  pending_.erase(0, lineEnd + 2);
  state_ = State::Headers;
  return true;
}

bool MultipartParser::readHeaders() {
  if (pending_.compare(0, 2, "\r\n") == 0) return fail(Refusal::Malformed);  // no headers
  size_t end = pending_.find("\r\n\r\n");
  if (end == std::string::npos) {
    return pending_.size() > kMaxPartHeaders ? fail(Refusal::Malformed) : false;
  }
  if (end > kMaxPartHeaders) return fail(Refusal::Malformed);
  name_.clear();
  value_.clear();
  isFile_ = false;
  sawDisposition_ = false;
  fileName_.clear();
  charset_.clear();
  readHeaderBlock(std::string_view(pending_).substr(0, end));
  if (verdict_ != Refusal::None) return false;
  pending_.erase(0, end + 4);
  if (!sawDisposition_ || name_.empty()) return fail(Refusal::Malformed);
  if (Refusal counted = fields_.countItem(); counted != Refusal::None) return fail(counted);
  if (!fields_.nameFits(name_.size())) return fail(Refusal::TooLarge);
  if (!fileName_.empty()) {
    if (!files_) return fail(Refusal::FileUpload);
    if (Refusal refused = files_->beginFile(name_, fileName_); refused != Refusal::None)
      return fail(refused);
  }
  state_ = State::Content;
  return true;
}

// Lines "Name: value" separated by CR LF; only Content-Disposition and a
// text part's Content-Type matter.
// A line without a colon, with a bare CR or LF, or continued on the next
// line (obsolete folding) is malformed.
void MultipartParser::readHeaderBlock(std::string_view block) {
  for (size_t start = 0; start <= block.size() && verdict_ == Refusal::None;) {
    size_t end = std::min(block.find("\r\n", start), block.size());
    std::string_view line = block.substr(start, end - start);
    start = end + 2;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.find_first_of("\r\n") != std::string_view::npos ||
        !isHeaderName(line.substr(0, colon))) {
      fail(Refusal::Malformed);
      return;
    }
    if (equalsIgnoreCase(line.substr(0, colon), "content-disposition"))
      readDisposition(line.substr(colon + 1));
    else if (equalsIgnoreCase(line.substr(0, colon), "content-type"))
      readPartType(line.substr(colon + 1));
  }
}

void MultipartParser::readDisposition(std::string_view value) {
  ContentType disposition = parseContentType(value);
  if (sawDisposition_ || disposition.type != "form-data") {
    fail(Refusal::Malformed);
    return;
  }
  sawDisposition_ = true;
  // A file's field name is written into its record as a field's is.
  name_ = storableFieldName(disposition.parameter("name").value_or("")).str();
  std::optional<std::string> filename = disposition.parameter("filename");
  isFile_ = filename.has_value();
  fileName_ = filename.value_or("");
}

void MultipartParser::readPartType(std::string_view value) {
  charset_ = parseContentType(value).parameter("charset").value_or("");
}

// The content runs up to the next delimiter; all but a possible start of
// one is taken as soon as it arrives.
bool MultipartParser::readContent() {
  size_t at = pending_.find(delimiter_);
  size_t take = at;
  if (at == std::string::npos) {
    size_t keep = delimiter_.size() - 1;
    take = pending_.size() > keep ? pending_.size() - keep : 0;
  }
  if (!takeContent(std::string_view(pending_).substr(0, take))) return false;
  if (at == std::string::npos) {
    pending_.erase(0, take);
    return false;
  }
  pending_.erase(0, at + delimiter_.size());
  if (!endPart()) return false;
  state_ = State::AfterDelimiter;
  return true;
}

// A chosen file streams on to the sink; an unused file input must be empty.
bool MultipartParser::takeContent(std::string_view bytes) {
  if (bytes.empty()) return true;
  if (isFile_ && fileName_.empty()) return fail(Refusal::FileUpload);
  if (isFile_) {
    Refusal refused = files_->fileBytes(bytes);
    return refused == Refusal::None || fail(refused);
  }
  if (!fields_.valueFits(value_.size() + bytes.size())) return fail(Refusal::TooLarge);
  value_.append(bytes);
  return true;
}

bool MultipartParser::endPart() {
  if (isFile_ && !fileName_.empty()) {
    std::string fieldValue;
    if (Refusal refused = files_->endFile(fieldValue); refused != Refusal::None)
      return fail(refused);
    fields_.add(name_, fieldValue);
  } else if (!isFile_) {
    if (!charset_.empty() && !pageCharset_.empty())
      value_ = convertCharset(value_, charset_, pageCharset_);
    if (!fields_.valueFits(value_.size())) return fail(Refusal::TooLarge);
    fields_.add(name_, value_);
  }
  value_.clear();
  return true;
}
