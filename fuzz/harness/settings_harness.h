// The settings file reader and writer: any "kalder.ini" is read without
// harm, and what the writer makes of it reads back to the same file.
#pragma once

#include <string>
#include <string_view>

#include "common/cgi/request_ended.h"
#include "common/settings/cgi_application.h"
#include "fuzz/harness/fuzz_support.h"

namespace fuzz {

// Reads the settings file and writes it back; returns what was written.
inline std::string readAndWriteSettings() {
  CgiApplication application;
  application.settingsChanged = true;
  application.writeSettings();
  return readFile(application.settingsPath.str());
}

// Input: the whole settings file.
inline std::string fuzzSettings(std::string_view data) {
  const FuzzHome& home = FuzzHome::get();
  FuzzRequest request;
  writeFile(home.file("kalder.ini"), withoutLoneCarriageReturns(data));
  std::string problem;
  try {
    std::string first = readAndWriteSettings();
    std::string second = readAndWriteSettings();
    if (first != second)
      problem = "written settings read back differently:\n" + first + "\n--\n" + second;
  } catch (const RequestEnded&) {
    problem = "reading or writing the settings ended the request";
  }
  home.resetFiles();
  return problem;
}

}  // namespace fuzz
