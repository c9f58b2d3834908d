// Request decoding as a web server hands a request over: PATH_INFO, the
// query string and a POST body with its CONTENT_LENGTH, through the request,
// page, settings and group layers. Checks the parameter lists' rules and that
// the page starts with the header.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// Names unique ignoring case, none empty, no carriage return in any value.
inline std::string checkParamList(const ParamList& list, const char* what) {
  std::set<std::string> seen;
  for (const Param& param : list) {
    if (param.name.empty()) return std::string(what) + ": an entry without a name";
    std::string upper(param.name.str());
    for (char& c : upper) c = upperAscii(c);
    if (!seen.insert(upper).second) return std::string(what) + ": name twice: " + upper;
    if (param.value.contains('\r')) return std::string(what) + ": carriage return kept";
    for (const Text& value : param.further)
      if (value.contains('\r')) return std::string(what) + ": carriage return kept";
  }
  return "";
}

// Input: the first line is PATH_INFO, the second the query string; the first
// byte of the rest picks the request method and how CONTENT_LENGTH relates to
// the body that follows it.
inline std::string fuzzRequest(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  std::string_view pathInfo = takeUntil(data, '\n');
  std::string_view query = takeUntil(data, '\n');
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  std::string_view body = data.empty() ? data : data.substr(1);
  static const char* const kMethods[] = {"POST", "GET", "post", nullptr};
  const char* method = kMethods[selector & 3];
  std::string length;
  switch ((selector >> 2) & 3) {
    case 0: length = std::to_string(body.size()); break;
    case 1: length = std::to_string(body.size() + 100); break;
    case 2: length = std::to_string(body.size() / 2); break;
    default: length = "-1"; break;
  }
  FuzzRequest cgi(method, query, length, pathInfo, body);
  std::string problem;
  try {
    CatalogGroup request;
    problem = checkParamList(request.queryParams(), "query");
    if (problem.empty()) problem = checkParamList(request.postParams(), "body");
    if (problem.empty()) problem = checkParamList(request.variables(), "variables");
    // What pages do with request text: links carry the language, values are
    // escaped and go through the coding conversion.
    request.print("<a href=\"x%s\">%s</a>\n", request.languageQuery(), request.parameter("name"));
    request.writeHead(Markup::format("%s", request.parameter("title")));
  } catch (const RequestEnded&) {
    // An unknown group ends the request with its error page.
  }
  home.resetFiles();
  if (problem.empty() && cgi.output().rfind("Content-type: text/html\n\n", 0) != 0)
    problem = "the page does not start with the header";
  return problem;
}

}  // namespace fuzz
