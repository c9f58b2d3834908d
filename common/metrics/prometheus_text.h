// The Prometheus text exposition format (version 0.0.4), writer only:
//
//   # HELP kalder_submissions_total Submissions by outcome.
//   # TYPE kalder_submissions_total counter
//   kalder_submissions_total{group="shop",outcome="stored"} 1042
//
// Every sample of a family follows its HELP and TYPE lines, before the next
// family begins. Label values may hold any bytes: a backslash, a double
// quote and a line feed are escaped as \\, \" and \n.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

inline constexpr const char* kPrometheusContentType = "text/plain; version=0.0.4; charset=utf-8";

// `value` as it stands between the quotes of a label.
std::string prometheusLabelValue(std::string_view value);
// A metric name made of `text`: letters, digits and "_" kept, anything else
// "_", and "_" put before a leading digit.
std::string prometheusName(std::string_view text);

class PrometheusText {
 public:
  using Label = std::pair<std::string_view, std::string_view>;

  // Begins a family; `help` is the program's own one-line text.
  void family(std::string_view name, std::string_view type, std::string_view help);
  // One sample of the family begun last.
  void sample(std::string_view name, std::initializer_list<Label> labels, long long value);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};
