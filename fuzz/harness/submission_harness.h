// A whole submission as insert runs it, from a hostile request: the group
// (PATH_INFO), the query string (form, catalog, reference label, language)
// and the posted fields, stored in one of the ways a group can choose. Checks
// that the page starts with the header and that the catalog and its index
// still read as whole records and entries afterwards, whatever was posted.
#pragma once

#include <string>
#include <string_view>

#include "common/catalog/line_source.h"
#include "common/catalog/record_layout.h"
#include "common/cgi/request_ended.h"
#include "fuzz/harness/fuzz_support.h"
#include "insert/submit_application.h"

namespace fuzz {

// Storage options by the selector's bits: index none, private or common;
// insertion at the end, at the start or sorted; item or delimited records.
inline std::string submissionGroup(unsigned char selector) {
  static const char* const kIndex[] = {"index=none\n", "", "index=common\n", ""};
  static const char* const kInsert[] = {"", "insert=start\n", "insert=sort name\n",
                                        "insert=sort price nr\n"};
  std::string group =
      "vars=DT\nform=order\nform=visit\ncatalog=orders order,- - Orders\n"
      "catalog=visits*year visit visits[YYYY].dat -Y\nlabel=Q-\ncount=41\n";
  group += kIndex[selector & 3];
  group += kInsert[(selector >> 2) & 3];
  if (selector & 16) group += "data=;name;price;note\n";
  return group;
}

inline constexpr std::string_view kOrders =
    "&LABEL==Q-1\n&FORMID==order\nname==Ana\nprice==10\n\n"
    "&LABEL==Q-2\n&FORMID==order\nname==Bor\nprice==20\nnote=+LABEL\ntwo\nlines\nLABEL\n\n";
inline constexpr std::string_view kOrdersDelimited = "Q-1;order;;;Ana;10;\nQ-2;order;;;Bor;20;x\n";

// The index of a catalog of two records, the second beginning with "Q-2".
inline std::string indexOf(std::string_view catalog, bool common) {
  std::string catalogName = common ? " orders" : "";
  return "Q-1 order" + catalogName + " 0\nQ-2 order" + catalogName + " " +
         std::to_string(catalog.find("&LABEL==Q-2") != std::string_view::npos
                            ? catalog.find("&LABEL==Q-2")
                            : catalog.find("Q-2")) +
         "\n";
}

// Removes the members of the series that earlier inputs created.
inline void removeSeriesMembers(const FuzzHome& home) {
  std::error_code ignored;
  for (const auto& item : std::filesystem::directory_iterator(home.path(), ignored))
    if (item.path().filename().string().rfind("visits", 0) == 0)
      std::filesystem::remove(item.path(), ignored);
}

// Counts the records of a catalog file; -1 when one of them is malformed.
inline long countRecords(const std::string& path, bool delimited) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return 0;
  FileLines lines(file);
  class Ignore : public FieldSink {
    void field(std::string_view, std::string_view) override {}
  } ignore;
  RecordLayout layout(delimited ? ";" : "", AutomaticFields());
  long records = 0;
  for (;;) {
    RecordRead read = layout.read(lines, ignore);
    if (read == RecordRead::End) break;
    if (read == RecordRead::Malformed) {
      records = -1;
      break;
    }
    ++records;
  }
  std::fclose(file);
  return records;
}

inline long countLines(const std::string& path) {
  std::string text = readFile(path);
  long lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

// Input as for fuzzRequest: PATH_INFO line, query line, a selector byte (the
// group's storage options) and the POST body.
inline std::string fuzzSubmission(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  std::string_view pathInfo = takeUntil(data, '\n');
  std::string_view query = takeUntil(data, '\n');
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  std::string_view body = data.empty() ? data : data.substr(1);
  bool delimited = selector & 16;
  bool indexed = (selector & 3) != 0;
  bool common = (selector & 3) == 2;

  home.resetFiles();
  removeSeriesMembers(home);
  writeFile(home.file("shop.grp"), submissionGroup(selector));
  std::string_view orders = delimited ? kOrdersDelimited : kOrders;
  writeFile(home.file("orders.dat"), orders);
  std::string index = home.file(common ? "shop.idx" : "orders.idx");
  std::filesystem::remove(home.file("shop.idx"));
  std::filesystem::remove(home.file("orders.idx"));
  if (indexed) writeFile(index, indexOf(orders, common));
  writeFile(home.file("order.msg"),
            "<html><var name> <var &label> <var &reflabel> <if price>p</if> <var &catalog>"
            "<date &date> <include visit.msg></html>\n");
  writeFile(home.file("visit.msg"), "Visit <var year> <var &catalogdesc>\n");

  std::string problem;
  std::string output;
  {
    FuzzRequest cgi("POST", query, std::to_string(body.size()), pathInfo, body);
    try {
      SubmitApplication application;
      application.runSubmission();
    } catch (const RequestEnded&) {
      // Error pages: unknown group, form or catalog, a refused series member.
    }
    output = cgi.output();
  }
  if (output.rfind("Content-type: text/html\n\n", 0) != 0)
    problem = "the page does not start with the header";
  long records = countRecords(home.file("orders.dat"), delimited);
  if (problem.empty() && records < 0) problem = "posted text broke the catalog's records";
  if (problem.empty() && (records < 2 || records > 3)) problem = "records lost or added";
  // A common index also lists the series' records.
  long entries = indexed ? countLines(index) : records;
  if (problem.empty() && (common ? entries < records || entries > 3 : entries != records))
    problem = "index entries and records differ in number";
  home.resetFiles();
  return problem;
}

}  // namespace fuzz
