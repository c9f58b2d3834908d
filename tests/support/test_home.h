// TestHome: a temporary home directory for one test, removed afterwards, with
// helpers to put files in it and read them back byte for byte.
#pragma once

#include <string>

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
bool pathExists(const std::string& path);

class TestHome {
 public:
  TestHome();
  ~TestHome();
  TestHome(const TestHome&) = delete;
  TestHome& operator=(const TestHome&) = delete;

  // The directory, lower case, ending in "/".
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }
  void write(const std::string& name, const std::string& content) const;
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;

 private:
  std::string path_;
};
