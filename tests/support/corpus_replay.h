// The committed inputs of a fuzz target (fuzz/corpus/<target>/), for unit
// tests that replay them through the target's harness, crash inputs found by
// fuzzing included.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_home.h"

// Name and bytes of every file of the target's corpus, in name order.
inline std::vector<std::pair<std::string, std::string>> corpusInputs(const std::string& target) {
  std::vector<std::pair<std::string, std::string>> inputs;
  std::filesystem::path directory =
      std::filesystem::path(KALDER_SOURCE_DIR) / "fuzz/corpus" / target;
  for (const auto& item : std::filesystem::directory_iterator(directory))
    if (item.is_regular_file())
      inputs.emplace_back(item.path().filename().string(), readFile(item.path().string()));
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}
