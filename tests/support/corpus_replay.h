// The committed inputs of a fuzz target, for unit tests that replay them
// through the target's harness: its seed corpus (fuzz/corpus/<target>/) and
// the inputs that fuzzing found to break it (fuzz/regressions/<target>/, kept
// out of the seeds because some are slow on purpose).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_home.h"

// Name and bytes of every seed and regression input of the target, the
// regressions' names beginning with "regressions/", in name order.
inline std::vector<std::pair<std::string, std::string>> corpusInputs(const std::string& target) {
  std::vector<std::pair<std::string, std::string>> inputs;
  std::filesystem::path fuzz = std::filesystem::path(KALDER_SOURCE_DIR) / "fuzz";
  for (const char* kind : {"corpus", "regressions"}) {
    std::filesystem::path directory = fuzz / kind / target;
    if (!std::filesystem::is_directory(directory)) continue;
    std::string prefix = std::string(kind) == "regressions" ? "regressions/" : "";
    for (const auto& item : std::filesystem::directory_iterator(directory))
      if (item.is_regular_file())
        inputs.emplace_back(prefix + item.path().filename().string(),
                            readFile(item.path().string()));
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}
