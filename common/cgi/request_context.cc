// Request variables from the environment or from FastCGI parameters.
#include "common/cgi/request_context.h"

#include <unistd.h>

RequestVariables RequestVariables::fromEnvironment() { return fromEntries(environ); }

RequestVariables RequestVariables::fromEntries(char* const* entries) {
  RequestVariables variables;
  for (char* const* entry = entries; entry && *entry; ++entry) {
    std::string_view text(*entry);
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    // Lookups take the first of a name, as getenv does: no search here.
    variables.entries_.push_back(
        Param{Text(text.substr(0, equals)), Text(text.substr(equals + 1)), {}});
  }
  return variables;
}

void RequestVariables::set(std::string_view name, std::string_view value) {
  for (Param& entry : entries_) {
    if (entry.name.view() == name) {
      entry.value = Text(value);
      return;
    }
  }
  Param entry;
  entry.name = Text(name);
  entry.value = Text(value);
  entries_.push_back(std::move(entry));
}

const Param* RequestVariables::find(std::string_view name) const {
  for (const Param& entry : entries_)
    if (entry.name.view() == name) return &entry;
  return nullptr;
}

Text RequestVariables::value(std::string_view name) const {
  const Param* entry = find(name);
  return entry ? entry->value : Text();
}

RequestContext RequestContext::fromProcess(ProgramTraits program) {
  return RequestContext{RequestVariables::fromEnvironment(), cgiStreams(), std::move(program)};
}

bool RequestContext::queryNames(std::string_view parameter) const {
  Text query = variables.value("QUERY_STRING");
  std::string_view rest = query.view();
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find('&', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string_view param = rest.substr(start, end - start);
    if (param.substr(0, param.find('=')) == parameter) return true;
    start = end + 1;
  }
  return false;
}
