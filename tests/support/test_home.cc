// Temporary home directories for tests.
#include "support/test_home.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool pathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

TestHome::TestHome() {
  std::string base = std::filesystem::temp_directory_path().string() + "/kalder-test-XXXXXX";
  if (!mkdtemp(base.data())) throw std::runtime_error("cannot create a temporary directory");
  // mkdtemp may pick capitals; the system lower-cases its home, so the
  // directory it uses must be lower case too.
  std::string lower = base;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower != base) std::filesystem::rename(base, lower);
  path_ = lower + "/";
}

TestHome::~TestHome() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TestHome::write(const std::string& name, const std::string& content) const {
  writeFile(file(name), content);
}

std::string TestHome::read(const std::string& name) const { return readFile(file(name)); }

bool TestHome::exists(const std::string& name) const { return pathExists(file(name)); }
