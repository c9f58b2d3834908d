// The decoders of request bodies on their own: Content-Type values, multipart
// bodies fed in pieces, JSON bodies; each with the limits of a request.
#include <gtest/gtest.h>

#include <string>

#include "common/cgi/cgi_request.h"
#include "common/cgi/content_type.h"
#include "common/cgi/json_body.h"
#include "common/cgi/multipart.h"

namespace {

std::string dump(const ParamList& list) {
  std::string out;
  for (const Param& p : list) {
    out += p.name.str() + "=" + p.value.str() + ";";
    for (const Text& v : p.further) out += p.name.str() + "=" + v.str() + ";";
  }
  return out;
}

TEST(ContentTypeParser, TypeAndParameters) {
  struct Row {
    const char* value;
    const char* type;
    const char* boundary;  // nullptr: no such parameter
  } rows[] = {
      {"application/x-www-form-urlencoded", "application/x-www-form-urlencoded", nullptr},
      {" Multipart/Form-Data ; Boundary=abc ", "multipart/form-data", "abc"},
      {"multipart/form-data; charset=x; boundary=\"a;b \\\"c\"", "multipart/form-data", "a;b \"c"},
      {"text/plain;", "text/plain", nullptr},
      {"multipart/form-data; boundary=\"open", "", nullptr},
      {"multipart/form-data; boundary", "", nullptr},
      {"", "", nullptr},
  };
  for (const Row& row : rows) {
    ContentType type = parseContentType(row.value);
    EXPECT_EQ(type.type, row.type) << row.value;
    auto boundary = type.parameter("boundary");
    EXPECT_EQ(boundary.has_value(), row.boundary != nullptr) << row.value;
    if (boundary && row.boundary) {
      EXPECT_EQ(*boundary, row.boundary) << row.value;
    }
  }
}

std::string part(const std::string& disposition, const std::string& content) {
  return "--B\r\nContent-Disposition: form-data; " + disposition + "\r\n\r\n" + content + "\r\n";
}

// Feeds the body in pieces of `piece` bytes.
Refusal decodeMultipart(const std::string& body, ParamList& list, size_t piece) {
  DecodedFields fields(list, CgiRequest::kLimits);
  MultipartParser parser("B", fields);
  for (size_t at = 0; at < body.size(); at += piece) parser.feed(body.substr(at, piece));
  return parser.finish();
}

TEST(MultipartParser, BodiesAndTheirFields) {
  std::string tooMany = "";
  for (int i = 0; i <= 10000; ++i) tooMany += part("name=\"f\"", "x");
  struct Row {
    const char* what;
    std::string body;
    Refusal refusal;
    const char* fields;
  } rows[] = {
      {"fields in order, a repeated name, an empty value",
       "preamble\r\n" + part("name=\"a\"", "1") + part("name=\"b\"", "two\r\nlines") +
           part("name=\"a\"", "3") + part("name=\"e\"", "") + "--B--\r\nepilogue",
       Refusal::None, "a=1;a=3;b=two\nlines;"},
      {"an unused file input is skipped",
       part("name=\"f\"; filename=\"\"", "") + part("name=\"a\"", "1") + "--B--", Refusal::None,
       "a=1;"},
      {"content like a delimiter", part("name=\"a\"", "--B-x\r\n-B") + "--B--", Refusal::None,
       "a=--B-x\n-B;"},
      {"the delimiter inside content", part("name=\"a\"", "x\r\n--Bx") + "--B--",
       Refusal::Malformed, ""},
      {"a chosen file", part("name=\"f\"; filename=\"a.txt\"", "x") + "--B--", Refusal::FileUpload,
       ""},
      {"content in an unnamed file input", part("name=\"f\"; filename=\"\"", "x") + "--B--",
       Refusal::FileUpload, ""},
      {"cut short", part("name=\"a\"", "1"), Refusal::Malformed, ""},
      {"no boundary at all", "a=1", Refusal::Malformed, ""},
      {"a part without a name", part("filename=\"\"", "") + "--B--", Refusal::Malformed, ""},
      {"a part without headers", "--B\r\n\r\nx\r\n--B--", Refusal::Malformed, ""},
      {"a header line without a colon", "--B\r\nContent-Disposition form-data\r\n\r\nx\r\n--B--",
       Refusal::Malformed, ""},
      {"not form-data", "--B\r\nContent-Disposition: attachment; name=a\r\n\r\nx\r\n--B--",
       Refusal::Malformed, ""},
      {"bare line feeds", "--B\nContent-Disposition: form-data; name=\"a\"\n\n1\n--B--\n",
       Refusal::Malformed, ""},
      {"10,001 parts", tooMany + "--B--", Refusal::TooLarge, ""},
      {"a name of 1,025 bytes", part("name=\"" + std::string(1025, 'n') + "\"", "x") + "--B--",
       Refusal::TooLarge, ""},
      {"a value of 1 MiB and a byte", part("name=\"a\"", std::string((1 << 20) + 1, 'v')) + "--B--",
       Refusal::TooLarge, ""},
  };
  for (const Row& row : rows) {
    for (size_t piece : {size_t{1}, size_t{7}, row.body.size() + 1}) {
      if (piece == 1 && row.body.size() > 100000) continue;
      ParamList list;
      Refusal refusal = decodeMultipart(row.body, list, piece);
      EXPECT_EQ(refusal, row.refusal) << row.what << ", pieces of " << piece;
      if (refusal == Refusal::None) {
        EXPECT_EQ(dump(list), row.fields) << row.what;
      }
    }
  }
}

TEST(JsonBody, ValidAndMalformedBodies) {
  std::string deep(100000, '[');
  struct Row {
    std::string body;
    Refusal refusal;
    const char* fields;
  } rows[] = {
      {R"({"name": "Ana", "item": ["a", "b"], "n": -1.5e3, "yes": true, "no": false})",
       Refusal::None, "name=Ana;item=a;item=b;n=-1.5e3;yes=true;no=false;"},
      {R"( { } )", Refusal::None, ""},
      {R"({"a": null, "b": [], "c": ""})", Refusal::None, ""},
      {R"({"q": "\"\\\/\n\u017e\ud83d\ude00"})", Refusal::None,
       "q=\"\\/\n\xC5\xBE\xF0\x9F\x98\x80;"},
      {R"({"a": {"b": 1}})", Refusal::Malformed, ""},
      {R"({"a": [{"b": 1}]})", Refusal::Malformed, ""},
      {R"({"a": [[1]]})", Refusal::Malformed, ""},
      {R"(["a"])", Refusal::Malformed, ""},
      {R"("a")", Refusal::Malformed, ""},
      {R"({"a": 1} x)", Refusal::Malformed, ""},
      {R"({"a": 1,})", Refusal::Malformed, ""},
      {R"({"a": 01})", Refusal::Malformed, ""},
      {R"({"a": "\x"})", Refusal::Malformed, ""},
      {R"({"a": "\ud83d"})", Refusal::Malformed, ""},
      {R"({"a": "\ude00"})", Refusal::Malformed, ""},
      {R"({"a": "\u12G4"})", Refusal::Malformed, ""},
      {"{\"a\": \"line\nfeed\"}", Refusal::Malformed, ""},
      {R"({"a": "open)", Refusal::Malformed, ""},
      {"", Refusal::Malformed, ""},
      {deep, Refusal::Malformed, ""},
      {"{\"a\": [" + deep, Refusal::Malformed, ""},
      {"{\"" + std::string(1025, 'n') + "\": 1}", Refusal::TooLarge, ""},
      {"{\"a\": \"" + std::string((1 << 20) + 1, 'v') + "\"}", Refusal::TooLarge, ""},
      {"{\"a\": [" +
           [] {
             std::string many = "1";
             for (int i = 0; i < 10000; ++i) many += ",1";
             return many;
           }() +
           "]}",
       Refusal::TooLarge, ""},
  };
  for (const Row& row : rows) {
    ParamList list;
    DecodedFields fields(list, CgiRequest::kLimits);
    Refusal refusal = parseJsonBody(row.body, fields);
    std::string shown = row.body.substr(0, 60);
    EXPECT_EQ(refusal, row.refusal) << shown;
    if (refusal == Refusal::None) {
      EXPECT_EQ(dump(list), row.fields) << shown;
    }
  }
}

}  // namespace
