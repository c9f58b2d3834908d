// Faults injected into the programs as they run: a submission killed at
// varied moments of a sorted insertion into a large catalog, and writes that
// fail as on a full disk (a file-size limit in the child). Every file must be
// left as it was before or as it is after a whole submission, never cut
// short, and the group lock must never stay held.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/browser_form.h"
#include "support/cgi_run.h"
#include "support/limited_run.h"
#include "support/test_home.h"

namespace {

const char kHeader[] = "Content-type: text/html\n\n";

// The error page of a failed submission or save, in English.
std::string errorPage(const std::string& message) {
  return std::string(kHeader) +
         "<html>\n<head>\n<title>Runtime Error</title>\n</head>\n"
         "<body>\n<h1>Runtime Error</h1>\n<hr>\n<b>" +
         message + "</b>\n<hr>\n</body>\n</html>\n";
}

// An item-form record as insert writes it with VARS=DT.
std::string record(const std::string& label, const std::string& name) {
  return "&LABEL==" + label + "\n&FORMID==order\n&COMPUTER==192.0.2.7\nname==" + name +
         "\nnote=+LABEL\nDeliver before noon.\nThe door code is 1234.\nLABEL\n\n";
}

// Sort keys k00000, k00002, ...: every other key, so a new odd key has a place.
std::string key(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "k%05d", i);
  return text;
}

// The files of one group, read whole, to compare before and after.
struct Snapshot {
  std::string catalog, index, group;
  bool operator==(const Snapshot&) const = default;
};

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.write("kalder.ini", "[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("order.msg", "Stored <var &label>.\n");
  }

  // A sorted catalog of `records` records (even keys) and, when `withIndex`,
  // its private index in the same order.
  void makeCatalog(int records, bool withIndex) {
    std::string catalog, index;
    for (int i = 0; i < records; ++i) {
      std::string label = "Q-" + std::to_string(i + 1);
      if (withIndex) index += label + " order " + std::to_string(catalog.size()) + "\n";
      catalog += record(label, key(2 * i));
    }
    home.write("orders.dat", catalog);
    if (withIndex) home.write("orders.idx", index);
  }

  Snapshot snapshot() const {
    return {home.read("orders.dat"), home.exists("orders.idx") ? home.read("orders.idx") : "",
            home.read("shop.grp")};
  }

  Environment submission(const std::string& name) const {
    return postEnvironment(home.path(), "insert", "shop", "formid=order", body(name));
  }
  static std::string body(const std::string& name) {
    return "name=" + name + "&note=Deliver+before+noon.%0D%0AThe+door+code+is+1234.";
  }
  CgiResult submit(const std::string& name) const {
    return runCgi(programPath("insert"), submission(name), body(name));
  }
  CgiResult submitLimited(const std::string& name, long maxFileBytes) const {
    return runCgiWithFileLimit(programPath("insert"), submission(name), body(name), maxFileBytes);
  }

  // The files in the home, so that a test sees a temporary file left behind.
  // The group's lock file stays once a program has made it, and is no data.
  std::set<std::string> homeFiles() const {
    std::set<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(home.path()))
      if (item.path().extension() != ".lck") names.insert(item.path().filename().string());
    return names;
  }

  TestHome home;
};

// ---- killed submissions ---------------------------------------------------

// The state a whole submission of `name` makes of `before`: the record at
// its sorted place in the catalog (no index), or appended with its index
// entry at the sorted place; the counter advanced.
Snapshot afterSubmission(const Snapshot& before, const std::string& name, long count,
                         bool withIndex) {
  Snapshot after = before;
  std::string label = "Q-" + std::to_string(count + 1);
  std::string added = record(label, name);
  after.group = "vars=DT\n" + std::string(withIndex ? "" : "index=none\n") +
                "insert=sort name\nform=order\ncatalog=orders order\nlabel=Q-\ncount=" +
                std::to_string(count + 1) + "\n";
  if (!withIndex) {
    // Before the first record whose key is not below the new one.
    size_t at = 0;
    std::string marker = "name==";
    for (size_t p = 0; (p = before.catalog.find(marker, p)) != std::string::npos; p += 1) {
      size_t end = before.catalog.find('\n', p);
      if (before.catalog.substr(p + marker.size(), end - p - marker.size()) >= name) {
        at = before.catalog.rfind("&LABEL==", p);
        break;
      }
      at = before.catalog.size();
    }
    after.catalog.insert(at, added);
    return after;
  }
  std::string entry = label + " order " + std::to_string(before.catalog.size()) + "\n";
  after.catalog += added;
  // Entries are in key order as the records are; the new one goes before the
  // first entry whose record's key is not below it.
  size_t at = 0;
  for (size_t p = 0; p < before.index.size();) {
    size_t end = before.index.find('\n', p);
    long offset = std::stol(before.index.substr(before.index.rfind(' ', end) + 1));
    size_t keyAt = before.catalog.find("name==", static_cast<size_t>(offset)) + 6;
    std::string oldKey = before.catalog.substr(keyAt, before.catalog.find('\n', keyAt) - keyAt);
    if (oldKey >= name) break;
    p = end + 1;
    at = p;
  }
  after.index.insert(at, entry);
  return after;
}

long counterOf(const std::string& group) {
  size_t at = group.find("\ncount=");
  return at == std::string::npos ? 0 : std::stol(group.substr(at + 7));
}

class KillTest : public FaultTest {
 protected:
  // Kills twenty submissions at delays spread over the time one whole
  // submission takes. After each, every file is as before or as after, a
  // stored record always has its label counted (so no label is handed out
  // twice), and the next submission runs to its end.
  void killSubmissionsAtVariedMoments(bool withIndex) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(submit(key(1)).status, 0);
    long whole = std::chrono::duration_cast<std::chrono::microseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
    std::mt19937 random(7);
    int stored = 0;
    for (int i = 0; i < 20; ++i) {
      std::string name = key(4 * i + 3);
      Snapshot before = snapshot();
      long count = counterOf(before.group);
      long delay = whole * i / 20 + static_cast<long>(random() % (whole / 20 + 1));
      {
        CgiProcess process(programPath("insert"), submission(name), body(name));
        usleep(static_cast<useconds_t>(delay));
        kill(process.pid(), SIGKILL);
        process.wait();
      }
      Snapshot killed = snapshot();
      Snapshot after = afterSubmission(before, name, count, withIndex);
      bool catalogAsBefore = killed.catalog == before.catalog;
      EXPECT_TRUE(catalogAsBefore || killed.catalog == after.catalog) << "kill " << i;
      EXPECT_TRUE(killed.index == before.index || killed.index == after.index) << "kill " << i;
      // The counter may run ahead of the records (a label left unused), never
      // behind them.
      long killedCount = counterOf(killed.group);
      EXPECT_TRUE(killedCount == count || killedCount == count + 1) << "kill " << i;
      if (!catalogAsBefore) {
        EXPECT_EQ(killedCount, count + 1) << "label handed out twice, kill " << i;
        ++stored;
      }

      // The lock is free again: the next submission runs to its end.
      CgiResult r = submit(key(4 * i + 5));
      ASSERT_EQ(r.status, 0) << "after kill " << i << ": " << r.output;
      EXPECT_EQ(r.output,
                std::string(kHeader) + "Stored Q-" + std::to_string(killedCount + 1) + ".\n");
    }
    std::printf("  %d of 20 killed submissions had stored their record\n", stored);
  }
};

TEST_F(KillTest, KilledSortedInsertionLeavesTheCatalogWholeAndTheLockFree) {
  home.write("shop.grp",
             "vars=DT\nindex=none\ninsert=sort name\nform=order\n"
             "catalog=orders order\nlabel=Q-\ncount=20000\n");
  makeCatalog(20000, false);
  killSubmissionsAtVariedMoments(false);
}

TEST_F(KillTest, KilledSortedInsertionThroughAnIndexLeavesBothFilesWhole) {
  home.write(
      "shop.grp",
      "vars=DT\ninsert=sort name\nform=order\ncatalog=orders order\nlabel=Q-\ncount=20000\n");
  makeCatalog(20000, true);
  killSubmissionsAtVariedMoments(true);
}

// ---- writes that fail as on a full disk -----------------------------------

class FullDiskTest : public FaultTest {
 protected:
  // Submits under a limit just above the catalog's size, so that the record
  // cannot be written whole; expects the error page and every file as it was.
  void expectFailedSubmissionChangesNothing(long limit, const std::string& message) {
    Snapshot before = snapshot();
    std::set<std::string> files = homeFiles();
    CgiResult r = submitLimited("k00001", limit);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, errorPage(message));
    EXPECT_TRUE(snapshot() == before);
    // Labels reserved for it stay reserved: only the ceiling file may be new.
    std::set<std::string> after = homeFiles();
    if (!files.count("shop.labels")) after.erase("shop.labels");
    EXPECT_EQ(after, files);
    // Without the limit the same submission goes through and gets the label
    // the failed one did not use.
    CgiResult again = submit("k00001");
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(again.output, std::string(kHeader) + "Stored Q-" +
                                std::to_string(counterOf(before.group) + 1) + ".\n");
  }
};

TEST_F(FullDiskTest, AppendedRecordThatDoesNotFitIsCutBack) {
  home.write("shop.grp",
             "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\ncount=200\n");
  makeCatalog(200, false);
  long size = static_cast<long>(home.read("orders.dat").size());
  expectFailedSubmissionChangesNothing(size + 20,
                                       "Cannot open file <tt>" + home.file("orders.dat") + "</tt>");
}

TEST_F(FullDiskTest, SortedRewriteThatDoesNotFitKeepsTheOldCatalog) {
  home.write("shop.grp",
             "vars=DT\nindex=none\ninsert=sort name\nform=order\ncatalog=orders "
             "order\nlabel=Q-\ncount=200\n");
  makeCatalog(200, false);
  long size = static_cast<long>(home.read("orders.dat").size());
  expectFailedSubmissionChangesNothing(
      size + 20, "Cannot create file <tt>" + home.file("orders.tmp") + "</tt>");
}

TEST_F(FullDiskTest, RecordPutFirstThatDoesNotFitKeepsTheOldCatalog) {
  home.write(
      "shop.grp",
      "vars=DT\nindex=none\ninsert=start\nform=order\ncatalog=orders order\nlabel=Q-\ncount=200\n");
  makeCatalog(200, false);
  long size = static_cast<long>(home.read("orders.dat").size());
  expectFailedSubmissionChangesNothing(
      size + 20, "Cannot create file <tt>" + home.file("orders.tmp") + "</tt>");
}

TEST_F(FullDiskTest, IndexedRecordThatDoesNotFitLeavesCatalogAndIndex) {
  home.write("shop.grp",
             "vars=DT\ninsert=sort name\nform=order\ncatalog=orders order\nlabel=Q-\ncount=200\n");
  makeCatalog(200, true);
  long size = static_cast<long>(home.read("orders.dat").size());
  expectFailedSubmissionChangesNothing(size + 20,
                                       "Cannot open file <tt>" + home.file("orders.dat") + "</tt>");
}

// A common index longer than the catalog: the record fits, the rewritten
// index does not. The appended record must go again, or the catalog would
// keep a record under a label the next submission hands out once more.
TEST_F(FullDiskTest, IndexThatDoesNotFitTakesTheAppendedRecordBack) {
  home.write("shop.grp",
             "vars=DT\nindex=common\ninsert=sort name\nform=order\ncatalog=orders order\n"
             "catalog=visits order\nlabel=Q-\ncount=200\n");
  home.write("orders.dat", record("Q-1", key(0)));
  std::string index = "Q-1 order orders 0\n";
  for (int i = 2; i <= 2000; ++i) index += "Q-" + std::to_string(i) + " order visits 0\n";
  home.write("shop.idx", index);
  Snapshot before = snapshot();
  before.index = home.read("shop.idx");
  long limit = static_cast<long>(index.size()) - 100;
  CgiResult r = submitLimited("k00001", limit);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, errorPage("Cannot create file <tt>" + home.file("shop.tmp") + "</tt>"));
  Snapshot now = snapshot();
  now.index = home.read("shop.idx");
  EXPECT_TRUE(now == before);
  EXPECT_EQ(home.read("orders.dat"), record("Q-1", key(0)));
}

// A group file longer than the limit: the counter cannot be saved. Nothing
// may be stored then, or the stored record's label would be handed out again.
TEST_F(FullDiskTest, CounterThatCannotBeSavedStoresNothing) {
  std::string group = "vars=DT\nindex=none\nform=order\ncatalog=orders order\nlabel=Q-\n";
  for (int i = 0; i < 200; ++i) group += "# a comment line that makes the group file long\n";
  group += "count=200\n";
  home.write("shop.grp", group);
  makeCatalog(1, false);
  expectFailedSubmissionChangesNothing(static_cast<long>(group.size()) - 100,
                                       "Cannot create file <tt>" + home.file("shop.grp") + "</tt>");
}

// ---- zorvik saves that do not fit ------------------------------------------

class FullDiskSaveTest : public FaultTest {
 protected:
  void SetUp() override {
    home.write("kalder.ini",
               "[GENERAL]\npassword=Secret\n\n[GROUPS]\nshop=" + home.file("shop.grp") + "\n");
    home.write("shop.grp", "description=The shop\nform=order\ncatalog=orders order\ncount=7\n");
  }

  // The page zorvik shows after the login (the overview, or a group's page).
  std::string page(const std::string& group) const {
    Environment env = postEnvironment(home.path(), "zorvik", group, "", "password=Secret");
    CgiResult r = runCgi(programPath("zorvik"), env, "password=Secret");
    EXPECT_EQ(r.status, 0);
    return r.output;
  }
  // Presses "Save Changes" on the page's form under the file-size limit.
  CgiResult saveLimited(const std::string& group, const BrowserForm& form, long limit) const {
    std::string body = form.submit("Save Changes");
    Environment env = postEnvironment(home.path(), "zorvik", group, "", body);
    return runCgiWithFileLimit(programPath("zorvik"), env, body, limit);
  }
};

TEST_F(FullDiskSaveTest, SettingsThatDoNotFitKeepTheOldFile) {
  std::string settings = home.read("kalder.ini");
  BrowserForm form(page(""));
  form.set("header", std::string(4000, 'h'));
  std::set<std::string> files = homeFiles();
  CgiResult r = saveLimited("", form, 1000);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("<b>Cannot create file <tt>" + home.file("kalder.ini") + "</tt></b>"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(home.read("kalder.ini"), settings);
  EXPECT_EQ(homeFiles(), files);
}

TEST_F(FullDiskSaveTest, GroupFileThatDoesNotFitKeepsTheOldFile) {
  std::string group = home.read("shop.grp");
  BrowserForm form(page("shop"));
  form.set("description", std::string(4000, 'd'));
  std::set<std::string> files = homeFiles();
  CgiResult r = saveLimited("shop", form, 1000);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("<b>Cannot create file <tt>" + home.file("shop.grp") + "</tt></b>"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(home.read("shop.grp"), group);
  EXPECT_EQ(homeFiles(), files);
}

}  // namespace
