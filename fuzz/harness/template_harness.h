// The template processor over any template, with posted fields from the
// visitor: expansion ends, and text the visitor chose never includes a file.
// Two files named "Q" (one in the template directory, one outside it) hold a
// marker that changes with every input; a template may not name them (its
// "Q"s become "q"), so the marker in the result means visitor text was
// expanded into an include.
#pragma once

#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "common/language/language.h"
#include "common/template/template.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// A template as an administrator could write it, except that it cannot name
// the marker files nor leave its directory.
inline std::string trustedTemplate(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == 'Q') c = 'q';
  for (size_t at; (at = out.find("..")) != std::string::npos;) out[at + 1] = '_';
  return out;
}

// A marker no input can know beforehand.
inline std::string nextMarker() {
  static std::mt19937_64 random{std::random_device{}()};
  return "MARKER-" + std::to_string(random());
}

// Input: a first byte (bit 0: escape posted text as an answer page does;
// bit 1: Slovenian), the template up to a zero byte, then a POST body whose
// fields are the posted fields; its "reflabel" field becomes "&reflabel".
inline std::string fuzzTemplate(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  unsigned char selector = data.empty() ? 0 : static_cast<unsigned char>(data[0]);
  if (!data.empty()) data.remove_prefix(1);
  Text text(trustedTemplate(takeUntil(data, '\0')));

  std::string directory = home.file("tmpl/");
  std::filesystem::create_directories(directory);
  std::string marker = nextMarker();
  writeFile(directory + "Q", marker + " inside");
  writeFile(home.file("Q"), marker + " outside");
  writeFile(directory + "inc.txt", "[<var title> <if name>named</if>]");
  writeFile(directory + "self.txt", "<include self.txt>+");
  setenv("FUZZ_INCLUDE", "<include Q>", 1);

  ParamList posted, group, variables;
  parseParams(data, '&', posted);
  group.add("title", "The corner shop", AddMode::Append);
  group.add("greeting", "Hello <var name>", AddMode::Append);
  variables.add("&label", "ORD-42", AddMode::Append);
  variables.add("&date", "19990315", AddMode::Append);
  variables.add("&time", "1405", AddMode::Append);
  variables.add("&reflabel", posted.value("reflabel"), AddMode::Append);
  TemplateScopes scopes{&posted, &group, &variables};
  TemplateOptions options;
  options.postedFields = &posted;
  options.escapePosted = selector & 1;
  int language = (selector >> 1) & 1;
  expandTemplate(text, scopes, Text(directory), language, kLanguages[language].dateFormat,
                 kLanguages[language].timeFormat, options);
  if (text.contains(marker)) return "visitor text included a file: " + text.str();
  return "";
}

}  // namespace fuzz
