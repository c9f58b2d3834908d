// MultipartParser: decodes a multipart/form-data body (RFC 7578) as it is
// read, chunk by chunk, holding only the part being read. Text parts become
// fields as urlencoded ones do; a chosen file goes to the FilePartSink when
// the program gave one and is refused otherwise, and the empty file input
// that browsers send for an unused file field is skipped. Line ends must be CR LF, as the RFC
// demands and browsers send: a body with bare line feeds never meets its boundary and is Malformed.
#pragma once

#include <string>
#include <string_view>

#include "common/cgi/decoded_fields.h"
#include "common/cgi/file_part_sink.h"

//   MultipartParser parser("XyZ", fields);
//   parser.feed("--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--XyZ--");
//   parser.finish();   // Refusal::None, field a=1 added
class MultipartParser {
 public:
  MultipartParser(std::string_view boundary, DecodedFields& fields, FilePartSink* files = nullptr);

  // The charset of the page the form came from: a text part that names
  // another charset of its own is converted to it (see charset_conversion.h).
  void setPageCharset(std::string_view charset) { pageCharset_ = charset; }

  // Takes the next bytes of the body. After the first refusal every call
  // returns it again and reads nothing more.
  Refusal feed(std::string_view chunk);
  // The verdict once the whole body was fed: a body cut short before its
  // closing boundary is Malformed.
  Refusal finish();

  // The longest boundary RFC 2046 allows, and the most header bytes a part
  // may carry.
  static constexpr size_t kMaxBoundary = 70;
  static constexpr size_t kMaxPartHeaders = 16 * 1024;

 private:
  enum class State { Preamble, AfterDelimiter, Headers, Content, Done };

  bool step();  // one state's work; false when it needs more bytes
  bool skipPreamble();
  bool readDelimiterEnd();
  bool readHeaders();
  bool readContent();
  void readHeaderBlock(std::string_view block);
  void readDisposition(std::string_view value);
  void readPartType(std::string_view value);
  bool takeContent(std::string_view bytes);
  bool endPart();
  bool fail(Refusal why);

  std::string delimiter_;  // CR LF "--" boundary
  DecodedFields& fields_;
  FilePartSink* files_;
  std::string pageCharset_;
  std::string pending_;  // bytes fed but not yet read
  State state_ = State::Preamble;
  Refusal verdict_ = Refusal::None;
  // The part being read.
  std::string name_;
  bool isFile_ = false;
  bool sawDisposition_ = false;
  std::string fileName_;  // the filename parameter of a chosen file
  std::string charset_;   // the charset parameter of a text part
  std::string value_;
};
