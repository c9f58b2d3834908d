// A group of catalogs loaded in-process for the catalog tests: a home with
// kalder.ini naming the group "shop", its description file, a request, and
// the date fixed at 15 March 1999, 14:05.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/catalog/catalog_files.h"
#include "common/cgi/request_ended.h"
#include "common/settings/catalog_group.h"
#include "support/cgi_environment.h"

class GroupFixture : public ::testing::Test {
 protected:
  // Loads the group from `groupFile` for a GET with `query`.
  CatalogGroup& load(const std::string& groupFile, const std::string& query = "") {
    writeSettings(groupFile);
    cgi.get(query, "shop");
    return build();
  }
  // Loads the group for a POST of `body`.
  CatalogGroup& loadPost(const std::string& groupFile, const std::string& body,
                         const std::string& query = "") {
    writeSettings(groupFile);
    cgi.post(body, query, "shop");
    return build();
  }

  std::string home(const std::string& name = "") const { return cgi.home().file(name); }
  // Resolves the catalog names of the loaded group.
  CatalogResolver catalogFiles() { return CatalogResolver(group->group, group->today, *group); }
  // Runs `action`, which must end the request; returns the page it wrote.
  template <typename F>
  std::string pageOfFatal(F action) {
    cgi.clearOutput();
    try {
      action();
    } catch (const RequestEnded& ended) {
      EXPECT_EQ(ended.status, 1);
      return cgi.output();
    }
    ADD_FAILURE() << "the request did not end";
    return cgi.output();
  }

  CgiEnvironment cgi;
  std::unique_ptr<CatalogGroup> group;

 private:
  void writeSettings(const std::string& groupFile) {
    cgi.set("REMOTE_ADDR", "192.0.2.7");
    cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + home("shop.grp") + "\n");
    cgi.home().write("shop.grp", groupFile);
  }
  CatalogGroup& build() {
    group = std::make_unique<CatalogGroup>();
    group->today = DateTime{15, 3, 1999, 14, 5};
    return *group;
  }
};

// A temporary file for a record or index writer or reader, removed at the end.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& content = "") : file_(std::tmpfile()) {
    std::fwrite(content.data(), 1, content.size(), file_);
    std::rewind(file_);
  }
  ~ScratchFile() { std::fclose(file_); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  std::FILE* get() const { return file_; }
  // Everything in the file; the position is left at its end.
  std::string content() const {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, got);
    return text;
  }

 private:
  std::FILE* file_;
};
