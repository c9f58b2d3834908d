// The bounds on what uploads may leave on disk, through the built insert and
// show: the number of file parts in a post, the group's space with the
// quarantine's files in it and kept as a running total, spool files of dead
// submissions swept, and a folder of its own for each record whose label is
// not written.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/cgi_run.h"
#include "support/multipart_body.h"
#include "support/test_home.h"

namespace {

namespace fs = std::filesystem;

const char kGroup[] = "vars=CDT\nform=order\ncatalog=orders order\nlabel=Q-\ncount=41\n";

std::string emptyFileParts(int count) {
  std::string body;
  for (int i = 0; i < count; ++i) body += filePart("f" + std::to_string(i), "e.txt", "");
  return body;
}

// Regular files under `folder`, however deep, spool files aside.
int storedFilesUnder(const std::string& folder) {
  int count = 0;
  if (!pathExists(folder)) return 0;
  for (const auto& item : fs::recursive_directory_iterator(folder))
    if (item.is_regular_file() && item.path().filename().string().starts_with("f")) ++count;
  return count;
}

struct Site {
  explicit Site(const std::string& options, const std::string& group = kGroup) {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", group);
    home.write("shop.grp.options", options);
    home.write("order.msg", "Stored <var &label>.\n");
  }
  CgiResult post(const std::string& body) {
    Environment env = postEnvironment(home.path(), "insert", "shop", "formid=order", body);
    env["CONTENT_TYPE"] = kMultipartType;
    return runCgi(programPath("insert"), env, body);
  }
  CgiResult show(const std::string& query, const std::string& body = "password=Secret") {
    return runCgi(programPath("show"), postEnvironment(home.path(), "show", "shop", query, body),
                  body);
  }
  TestHome home;
};

std::string statusOf(const CgiResult& result) {
  return result.output.rfind("Status: ", 0) == 0 ? result.output.substr(8, 3) : "200";
}

TEST(UploadLimits, FilePartsAreCountedEmptyOnesToo) {
  struct Row {
    const char* what;
    std::string options;
    std::string body;
    std::string status;
    int files;
  } rows[] = {
      {"20 empty files by default", "uploadEndings=*\n", emptyFileParts(20), "200", 20},
      {"21 empty files", "uploadEndings=*\n", emptyFileParts(21), "413", 0},
      {"a system field's file counts", "uploadEndings=*\nuploadMaxFiles=2\n",
       emptyFileParts(2) + filePart("&x", "e.txt", "x"), "413", 0},
      {"within a limit of its own", "uploadEndings=*\nuploadMaxFiles=3\n", emptyFileParts(3), "200",
       3},
  };
  for (const Row& row : rows) {
    Site site(row.options);
    CgiResult result = site.post(row.body + kMultipartEnd);
    EXPECT_EQ(statusOf(result), row.status) << row.what << "\n" << result.output.substr(0, 300);
    EXPECT_EQ(storedFilesUnder(site.home.file("orders.files")), row.files) << row.what;
    if (row.status == "413") {
      EXPECT_NE(result.output.find("more than the site accepts"), std::string::npos) << row.what;
      EXPECT_FALSE(site.home.exists("orders.dat")) << row.what;
    }
  }
}

// The quarantine's files take space as a catalog's do.
TEST(UploadLimits, QuarantinedFilesCountAgainstTheSpace) {
  Site site("uploadEndings=*\nuploadMaxDisk=5K\nhoneypot=website\n");
  std::string threeKiB(3072, 'q');
  CgiResult held =
      site.post(textPart("website", "x") + filePart("a", "a.pdf", threeKiB) + kMultipartEnd);
  ASSERT_EQ(held.status, 0) << held.output;
  ASSERT_TRUE(site.home.exists("shop.grp.quarantine"));
  CgiResult refused = site.post(filePart("a", "a.pdf", threeKiB) + kMultipartEnd);
  EXPECT_EQ(statusOf(refused), "413") << refused.output;
  EXPECT_NE(refused.output.find("The site's space for files is full"), std::string::npos);
  // Deleting the quarantined record frees its space.
  ASSERT_EQ(site.show("quarantine=delete&label=Q-1").status, 0);
  CgiResult stored = site.post(filePart("a", "a.pdf", threeKiB) + kMultipartEnd);
  EXPECT_EQ(stored.status, 0) << stored.output;
}

// The space in use is the running total of shop.grp.uploads; only a missing
// total is counted from the folders.
TEST(UploadLimits, SpaceIsARunningTotal) {
  std::string twoKiB(2048, 't');
  struct Row {
    const char* what;
    std::string total;  // "" : no total yet
    std::string onDisk;
    std::string status;
    std::string totalAfter;
  } rows[] = {
      {"the total is believed", "9216\n", "", "413", "9216\n"},
      {"a missing total is counted", "", std::string(9216, 'x'), "413", "9216\n"},
      {"a stored file adds to it", "1000\n", "", "200", "3048\n"},
  };
  for (const Row& row : rows) {
    Site site("uploadEndings=*\nuploadMaxDisk=10K\n");
    if (!row.total.empty()) site.home.write("shop.grp.uploads", row.total);
    if (!row.onDisk.empty()) site.home.write("orders.files/old/f1.bin", row.onDisk);
    CgiResult result = site.post(filePart("a", "a.pdf", twoKiB) + kMultipartEnd);
    EXPECT_EQ(statusOf(result), row.status) << row.what << "\n" << result.output.substr(0, 300);
    EXPECT_EQ(site.home.read("shop.grp.uploads"), row.totalAfter) << row.what;
  }
  Site site("uploadEndings=*\n");
  ASSERT_EQ(site.post(filePart("a", "a.pdf", twoKiB) + kMultipartEnd).status, 0);
  ASSERT_EQ(site.home.read("shop.grp.uploads"), "2048\n");
  site.show("label=Q-42&catalog=orders&erase=1", "password=Secret&confirm=Q-42");
  EXPECT_FALSE(site.home.exists("orders.files/q-42"));
  EXPECT_EQ(site.home.read("shop.grp.uploads"), "0\n");
}

TEST(UploadLimits, StaleSpoolFilesAreSwept) {
  Site site("uploadEndings=*\n");
  site.home.write("orders.files/spool.tmp/upload.tmp.dead", std::string(4096, 'd'));
  site.home.write("orders.files/spool.tmp/upload.tmp.live", "l");
  fs::last_write_time(site.home.file("orders.files/spool.tmp/upload.tmp.dead"),
                      fs::file_time_type::clock::now() - std::chrono::hours(2));
  CgiResult result = site.post(filePart("a", "a.pdf", "%PDF") + kMultipartEnd);
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_FALSE(site.home.exists("orders.files/spool.tmp/upload.tmp.dead"));
  EXPECT_TRUE(site.home.exists("orders.files/spool.tmp/upload.tmp.live"));
  EXPECT_EQ(site.home.read("orders.files/q-42/f1.bin"), "%PDF");
}

// Without the label in the record the counter is not saved, so records
// share a label; their files must not share a folder.
TEST(UploadLimits, RecordsWithoutWrittenLabelsKeepTheirOwnFiles) {
  Site site("uploadEndings=*\n",
            "vars=LCDT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\n");
  ASSERT_EQ(site.post(filePart("a", "a.pdf", "first") + kMultipartEnd).status, 0);
  ASSERT_EQ(site.post(filePart("a", "a.pdf", "second") + kMultipartEnd).status, 0);
  std::string contents;
  int folders = 0;
  for (const auto& folder : fs::directory_iterator(site.home.file("orders.files"))) {
    if (folder.path().filename() == "spool.tmp") continue;
    ++folders;
    EXPECT_TRUE(folder.path().filename().string().starts_with("q-1.")) << folder.path();
    contents += readFile((folder.path() / "f1.bin").string()) + ";";
  }
  EXPECT_EQ(folders, 2);
  EXPECT_TRUE(contents == "first;second;" || contents == "second;first;") << contents;
}

}  // namespace
