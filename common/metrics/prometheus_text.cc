// Writing the Prometheus text format.
#include "common/metrics/prometheus_text.h"

std::string prometheusLabelValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string prometheusName(std::string_view text) {
  std::string name;
  // A name may not begin with a digit, nor be empty.
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) name += '_';
  for (char c : text) {
    bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += kept ? c : '_';
  }
  return name;
}

void PrometheusText::family(std::string_view name, std::string_view type, std::string_view help) {
  text_ += "# HELP ";
  text_ += name;
  text_ += ' ';
  text_ += help;
  text_ += "\n# TYPE ";
  text_ += name;
  text_ += ' ';
  text_ += type;
  text_ += '\n';
}

void PrometheusText::sample(std::string_view name, std::initializer_list<Label> labels,
                            long long value) {
  text_ += name;
  const char* separator = "{";
  for (const auto& [label, labelValue] : labels) {
    text_ += separator;
    text_ += label;
    text_ += "=\"";
    text_ += prometheusLabelValue(labelValue);
    text_ += '"';
    separator = ",";
  }
  if (labels.size() > 0) text_ += '}';
  text_ += ' ';
  text_ += std::to_string(value);
  text_ += '\n';
}
