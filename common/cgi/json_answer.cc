// Writing the JSON answer of a script request.
#include "common/cgi/json_answer.h"

#include "common/text/utf8.h"

namespace {

// A "q" parameter of zero ("q=0", "q=0.000") says the type is not wanted.
bool refusedByQuality(std::string_view parameters) {
  while (!parameters.empty()) {
    size_t semicolon = parameters.find(';');
    std::string_view parameter = trimBlanks(parameters.substr(0, semicolon));
    parameters = semicolon == std::string_view::npos ? "" : parameters.substr(semicolon + 1);
    if (parameter.size() < 2 || (parameter[0] != 'q' && parameter[0] != 'Q') || parameter[1] != '=')
      continue;
    std::string_view value = parameter.substr(2);
    return !value.empty() && value.find_first_not_of("0.") == std::string_view::npos;
  }
  return false;
}

bool listsJson(std::string_view accept) {
  while (!accept.empty()) {
    size_t comma = accept.find(',');
    std::string_view range = accept.substr(0, comma);
    accept = comma == std::string_view::npos ? "" : accept.substr(comma + 1);
    size_t semicolon = range.find(';');
    std::string_view type = trimBlanks(range.substr(0, semicolon));
    std::string_view parameters =
        semicolon == std::string_view::npos ? "" : range.substr(semicolon + 1);
    if (equalsIgnoreCase(type, "application/json") && !refusedByQuality(parameters)) return true;
  }
  return false;
}

}  // namespace

bool asksForJson(std::string_view accept, std::string_view formatParameter) {
  return equalsIgnoreCase(formatParameter, "json") || listsJson(accept);
}

Text jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  Text out("\"");
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.front());
    size_t length = utf8SequenceLength(text);
    if (length == 0) {
      out += "\\ufffd";
      length = 1;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += text.front();
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += text.substr(0, length);
    }
    text.remove_prefix(length);
  }
  out += '"';
  return out;
}

void JsonObject::addName(std::string_view name) {
  if (members_ != "{") members_ += ',';
  members_ += jsonString(name);
  members_ += ':';
}

JsonObject& JsonObject::addString(std::string_view name, std::string_view value) {
  addName(name);
  members_ += jsonString(value);
  return *this;
}

JsonObject& JsonObject::addBool(std::string_view name, bool value) {
  addName(name);
  members_ += value ? "true" : "false";
  return *this;
}
