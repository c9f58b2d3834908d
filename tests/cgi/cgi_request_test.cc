// CgiRequest as a web server runs it: the header, the directories derived
// from the environment, and the parameters of GET and POST requests.
#include "common/cgi/cgi_request.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "common/files/path.h"
#include "support/cgi_environment.h"
#include "support/text_print.h"

namespace {

// The variables as "name=value;" in list order.
std::string dump(const ParamList& list) {
  std::string out;
  for (const Param& p : list) {
    out += p.name.str() + "=" + p.value.str();
    for (const Text& v : p.further) out += "|" + v.str();
    out += ";";
  }
  return out;
}

}  // namespace

TEST(CgiRequestHeader, HeaderIsTheFirstOutput) {
  CgiEnvironment cgi;
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}

TEST(CgiRequestHeader, ContentTypeAsGiven) {
  CgiEnvironment cgi;
  CgiRequest request("text/plain; charset=UTF-8", "KALDERHOME");
  EXPECT_EQ(cgi.output(), "Content-type: text/plain; charset=UTF-8\n\n");
}

TEST(CgiRequestDirectories, PathInfoAndRoot) {
  CgiEnvironment cgi;
  cgi.set("PATH_INFO", "/grp");
  cgi.set("PATH_TRANSLATED", "C:\\WEB\\grp");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.pathInfo(), "grp");
  EXPECT_EQ(request.root(), "C:/WEB/");
}

TEST(CgiRequestDirectories, OnlyOneLeadingSlashIsRemoved) {
  CgiEnvironment cgi;
  cgi.set("PATH_INFO", "//grp");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.pathInfo(), "/grp");
  EXPECT_EQ(request.root(), "");
}

TEST(CgiRequestDirectories, PathTranslatedShorterThanPathInfo) {
  CgiEnvironment cgi;
  cgi.set("PATH_INFO", "/a-long-group-name");
  cgi.set("PATH_TRANSLATED", "/x");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.root(), "");
}

TEST(CgiRequestDirectories, PathTranslateIsTheFallback) {
  CgiEnvironment cgi;
  cgi.set("PATH_INFO", "/shop");
  cgi.set("PATH_TRANSLATE", "/var/www/shop");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.root(), "/var/www/");
  // For every lookup of this request, and of this request alone.
  EXPECT_EQ(request.requestVariable("PATH_TRANSLATED"), "/var/www/shop");
  EXPECT_EQ(getenv("PATH_TRANSLATED"), nullptr);
}

TEST(CgiRequestDirectories, PathTranslatedWinsOverTheFallback) {
  CgiEnvironment cgi;
  cgi.set("PATH_TRANSLATED", "/one/");
  cgi.set("PATH_TRANSLATE", "/two/");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.root(), "/one/");
}

TEST(CgiRequestDirectories, ScriptNameGivesCgiHomeAndProgram) {
  CgiEnvironment cgi;
  cgi.set("SCRIPT_NAME", "cgi/insert.exe");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.CGIhome(), "/cgi/");
  EXPECT_EQ(request.program(), "insert.exe");
}

TEST(CgiRequestDirectories, ScriptNameWithBackslashesOrEmpty) {
  {
    CgiEnvironment cgi;
    cgi.set("SCRIPT_NAME", "\\Scripts\\Kalder\\Zorvik.exe");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.CGIhome(), "/Scripts/Kalder/");
    EXPECT_EQ(request.program(), "Zorvik.exe");
  }
  {
    CgiEnvironment cgi;
    cgi.set("SCRIPT_NAME", "");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.CGIhome(), "/");
    EXPECT_EQ(request.program(), "");
  }
}

TEST(CgiRequestDirectories, HomeFromTheVariableLowerCasedWithSlash) {
  CgiEnvironment cgi;
  cgi.set("KALDERHOME", "C:\\Web\\Forms");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.home(), "c:/web/forms/");
}

TEST(CgiRequestDirectories, HomeFromTheProgramFileWhenTheVariableIsUnset) {
  CgiEnvironment cgi;
  unsetenv("KALDERHOME");
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  Text expected = directoryOf(std::string(self, static_cast<size_t>(n)));
  expected.toLower();
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.home(), expected);
}

TEST(CgiRequestDirectories, NoHomeVariableNameUsesTheProgramFile) {
  CgiEnvironment cgi;
  CgiRequest request("text/html", nullptr);
  EXPECT_NE(request.home().str(), cgi.home().path());
  EXPECT_EQ(request.home().last(), '/');
}

TEST(CgiRequestDirectories, WWWhomeFollowsRootOrCgiHome) {
  {
    CgiEnvironment cgi;
    cgi.set("SCRIPT_NAME", "/cgi-bin/insert.exe");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.WWWhome(), "/cgi-bin/");  // no document root
  }
  {
    CgiEnvironment cgi;
    cgi.set("PATH_INFO", "/shop");
    cgi.set("PATH_TRANSLATED", "c:\\web\\shop");
    cgi.set("KALDERHOME", "C:\\WEB\\Forms\\");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.root(), "c:/web/");
    EXPECT_EQ(request.WWWhome(), "/forms/");
  }
  {
    CgiEnvironment cgi;
    cgi.set("PATH_TRANSLATED", "/a/very/long/document/root/");
    cgi.set("KALDERHOME", "/k");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.WWWhome(), "");
  }
}

TEST(CgiRequestVariables, DirectoriesInOrder) {
  CgiEnvironment cgi;
  cgi.set("KALDERHOME", "/srv/kalder");
  cgi.set("SCRIPT_NAME", "/cgi-bin/lunoder.exe");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(
      dump(request.variables()),
      "&root=;&home=/srv/kalder/;&WWWhome=/cgi-bin/;&CGIhome=/cgi-bin/;&program=lunoder.exe;");
}

TEST(CgiRequestParameters, GetDecodesTheQueryString) {
  CgiEnvironment cgi;
  cgi.get("formid=orders&catalog=a%20b&x=1&X=2");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(dump(request.queryParams()), "formid=orders;catalog=a b;x=1|2;");
  EXPECT_TRUE(request.postParams().empty());
}

TEST(CgiRequestParameters, PostKeepsTheQueryAndPrefersIt) {
  CgiEnvironment cgi;
  cgi.post("name=Body&only=posted&Language=slo", "name=Query&language=eng");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(dump(request.queryParams()), "name=Query;language=eng;");
  EXPECT_EQ(dump(request.postParams()), "name=Body;only=posted;Language=slo;");
  EXPECT_EQ(request.parameter("NAME"), "Query");
  EXPECT_EQ(request.parameter("only"), "posted");
}

TEST(CgiRequestParameters, ParameterFallsBackToTheEnvironment) {
  CgiEnvironment cgi;
  cgi.set("REMOTE_ADDR", "192.0.2.7");
  cgi.get("a=1");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.parameter("REMOTE_ADDR"), "192.0.2.7");
  EXPECT_EQ(request.parameter("NOT_THERE_AT_ALL"), "");
}

TEST(CgiRequestParameters, MethodIsCaseSensitive) {
  for (const char* method : {"get", "post", "PUT", "HEAD", ""}) {
    CgiEnvironment cgi;
    cgi.post("a=1", "b=2");
    cgi.set("REQUEST_METHOD", method);
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_TRUE(request.queryParams().empty()) << method;
    EXPECT_TRUE(request.postParams().empty()) << method;
  }
}

TEST(CgiRequestParameters, NoMethodAtAll) {
  CgiEnvironment cgi;
  cgi.set("QUERY_STRING", "a=1");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_TRUE(request.queryParams().empty());
}

TEST(CgiRequestBody, ContentLengthLargerThanTheBody) {
  CgiEnvironment cgi;
  cgi.post("a=1&b=2");
  cgi.set("CONTENT_LENGTH", "100000");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(dump(request.postParams()), "a=1;b=2;");
}

TEST(CgiRequestBody, ContentLengthShorterThanTheBody) {
  CgiEnvironment cgi;
  cgi.post("a=1&b=22222");
  cgi.set("CONTENT_LENGTH", "9");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(dump(request.postParams()), "a=1;b=222;");
}

TEST(CgiRequestBody, UnparsableContentLengthReadsNothing) {
  for (const char* length : {"", "abc", "-5", "99999999999999999999999", "0"}) {
    CgiEnvironment cgi;
    cgi.post("a=1");
    cgi.set("CONTENT_LENGTH", length);
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_TRUE(request.postParams().empty()) << length;
  }
}

TEST(CgiRequestBody, MissingContentLengthReadsNothing) {
  CgiEnvironment cgi;
  cgi.post("a=1");
  unsetenv("CONTENT_LENGTH");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_TRUE(request.postParams().empty());
}

TEST(CgiRequestBody, RawBinaryBytesAndLineEnds) {
  CgiEnvironment cgi;
  const char raw[] = "bin=a\0b\xFF&text=one%0D%0Atwo%0D%0A&q=%22z";
  cgi.post(std::string(raw, sizeof raw - 1));
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.postParams().value("bin").str(), std::string("a\0b\xFF", 4));
  EXPECT_EQ(request.postParams().value("text"), "one\ntwo\n");
  EXPECT_EQ(request.postParams().value("q"), "&zcaron;");
}

TEST(CgiRequestBody, ContentTypeChoosesTheDecoder) {
  struct Row {
    const char* contentType;
    std::string body;
    Refusal refusal;
    const char* fields;
  } rows[] = {
      {"application/x-www-form-urlencoded; charset=UTF-8", "a=1&b=2", Refusal::None, "a=1;b=2;"},
      {"", "a=1", Refusal::None, "a=1;"},
      {"Multipart/Form-Data; boundary=\"x y\"",
       "--x y\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--x y--\r\n", Refusal::None,
       "a=1;"},
      {"multipart/form-data; boundary=x", "a=1", Refusal::Malformed, ""},
      {"multipart/form-data", "a=1", Refusal::Malformed, ""},
      {"application/json", "{\"a\": 1}", Refusal::None, "a=1;"},
      {"application/json", "[1]", Refusal::Malformed, ""},
      {"text/plain", "a=1", Refusal::UnsupportedType, ""},
  };
  for (const Row& row : rows) {
    CgiEnvironment cgi;
    cgi.post(row.body);
    if (*row.contentType) cgi.set("CONTENT_TYPE", row.contentType);
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_EQ(request.refusal(), row.refusal) << row.contentType << " " << row.body;
    EXPECT_EQ(dump(request.postParams()), row.fields) << row.contentType << " " << row.body;
    unsetenv("CONTENT_TYPE");
  }
}

// ---- limits -----------------------------------------------------------------

// `count` items "f0=0&f1=1&..." with distinct names.
std::string fields(int count) {
  std::string body;
  for (int i = 0; i < count; ++i)
    body.append("f").append(std::to_string(i)).append("=").append(std::to_string(i)).append("&");
  return body;
}

TEST(CgiRequestLimits, TenThousandFieldsAreTheMostAccepted) {
  CgiEnvironment cgi;
  cgi.post(fields(10000) + "&&&");  // empty items are no fields
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_FALSE(request.oversized());
  ASSERT_EQ(request.postParams().size(), 10000u);
  EXPECT_EQ(request.postParams()[5432].name, "f5432");
  EXPECT_EQ(request.parameter("F9999"), "9999");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}

// Each row is just over one limit; the request keeps no parameter of the
// part that was over it and writes no header, so that the refusal can set
// its status.
struct OverLimitRow {
  const char* what;
  std::string body;
};

TEST(CgiRequestLimits, OneItemOverALimitDropsTheBody) {
  const std::string mebibyte(1 << 20, 'v');
  const OverLimitRow rows[] = {
      {"10,001 fields", fields(10001)},
      {"10,001 items, the last without a value", fields(10000) + "x"},
      {"10,001 values of one name",
       [] {
         std::string body;
         for (int i = 0; i <= 10000; ++i) body += "a=1&";
         return body;
       }()},
      {"a name of 1,025 bytes", "a=1&" + std::string(1025, 'n') + "=1"},
      {"an encoded name of 1,025 bytes", "a=1&" + std::string(1024, 'n') + "%41=1"},
      {"a name of 1,025 bytes without a value", "a=1&" + std::string(1025, 'n')},
      {"a name of 1,025 bytes with an empty value", "a=1&" + std::string(1025, 'n') + "="},
      {"a value of 1 MiB and a byte", "a=1&v=" + mebibyte + "w"},
  };
  for (const OverLimitRow& row : rows) {
    CgiEnvironment cgi;
    cgi.post(row.body, "language=slo");
    CgiRequest request("text/html", "KALDERHOME");
    EXPECT_TRUE(request.oversized()) << row.what;
    EXPECT_TRUE(request.postParams().empty()) << row.what;
    EXPECT_EQ(request.rawBody(), "") << row.what;
    EXPECT_EQ(request.queryParams().value("language"), "slo") << row.what;
    EXPECT_EQ(cgi.output(), "") << row.what;
  }
}

TEST(CgiRequestLimits, ItemsJustWithinTheLimitsAreKept) {
  std::string name(1024, 'n');
  CgiEnvironment within;
  within.post(name + "=1&v=" + std::string(1 << 20, 'v') + "&e=");
  CgiRequest accepted("text/html", "KALDERHOME");
  EXPECT_FALSE(accepted.oversized());
  EXPECT_EQ(accepted.postParams().value(name), "1");
  EXPECT_EQ(accepted.postParams().value("v").length(), 1 << 20);
}

TEST(CgiRequestLimits, OverlongBodyIsRefusedUnread) {
  CgiEnvironment cgi;
  cgi.post("x=" + std::string(CgiRequest::kMaxBodyLength, 'y'));
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_TRUE(request.oversized());
  EXPECT_EQ(request.rawBody(), "");
  EXPECT_TRUE(request.postParams().empty());
}

TEST(CgiRequestLimits, ABodyOfExactlyTheLongestLengthIsRead) {
  CgiEnvironment cgi;
  std::string body;
  for (int i = 10; body.size() < CgiRequest::kMaxBodyLength; ++i)
    body += "v" + std::to_string(i) + "=" + std::string(1000000, 'y') + "&";
  body.resize(CgiRequest::kMaxBodyLength);
  cgi.post(body);
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_FALSE(request.oversized());
  EXPECT_EQ(request.rawBody().length(), CgiRequest::kMaxBodyLength);
}

TEST(CgiRequestLimits, OversizedQueryDropsTheQueryAndLeavesTheBodyUnread) {
  CgiEnvironment cgi;
  cgi.post("a=1", "language=slo&" + fields(10000));
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_TRUE(request.oversized());
  EXPECT_TRUE(request.queryParams().empty());
  EXPECT_TRUE(request.postParams().empty());
  EXPECT_EQ(request.rawBody(), "");
}

TEST(CgiRequestLimits, DeferredHeaderStaysDeferred) {
  CgiEnvironment cgi;
  cgi.post(fields(10001));
  CgiRequest request(nullptr, "KALDERHOME");
  EXPECT_TRUE(request.oversized());
  request.setStatus("413 Content Too Large");
  request.writeHeader("text/html");
  EXPECT_EQ(cgi.output(), "Status: 413 Content Too Large\nContent-type: text/html\n\n");
}

TEST(CgiRequestHeader, NullContentTypeDefersTheHeader) {
  CgiEnvironment cgi;
  cgi.get("a=1");
  CgiRequest request(nullptr, "KALDERHOME");
  EXPECT_EQ(cgi.output(), "");
  EXPECT_FALSE(request.headerWritten());
  EXPECT_EQ(request.queryParams().value("a"), "1");
  request.writeHeader("text/plain", "Cache-Control: no-store\n");
  request.writeHeader("text/html");
  EXPECT_TRUE(request.headerWritten());
  EXPECT_EQ(cgi.output(), "Content-type: text/plain\nCache-Control: no-store\n\n");
}

TEST(CgiRequestHeader, HeaderOfTheConstructorIsWrittenOnce) {
  CgiEnvironment cgi;
  CgiRequest request("text/html", "KALDERHOME");
  request.writeHeader("text/plain");
  EXPECT_EQ(cgi.output(), "Content-type: text/html\n\n");
}

TEST(CgiRequestBody, RawBodyKeepsTheBytesAsTheyArrived) {
  CgiEnvironment cgi;
  const char raw[] = "a=%22c+x\r\n&b=\0\xFF&c";
  cgi.post(std::string(raw, sizeof raw - 1));
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.rawBody().str(), std::string(raw, sizeof raw - 1));
  EXPECT_EQ(request.postParams().value("a"), "&ccaron; x\n");
}

TEST(CgiRequestBody, RawBodyIsEmptyForAGet) {
  CgiEnvironment cgi;
  cgi.post("a=1");
  cgi.set("REQUEST_METHOD", "GET");
  CgiRequest request("text/html", "KALDERHOME");
  EXPECT_EQ(request.rawBody(), "");
}
