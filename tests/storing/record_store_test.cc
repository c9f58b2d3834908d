// RecordStore on its own: a submission value stored in each of the six ways
// (appended, first, sorted; in the catalog or through its private or common
// index), and what a failed store leaves (nothing: the catalog, its index
// and the group file as they were).
#include "common/storing/record_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/catalog/catalog_files.h"
#include "common/cgi/request_ended.h"
#include "common/files/group_lock.h"
#include "support/cgi_environment.h"

namespace {

const char kOld[] = "&LABEL==Q-1\n&FORMID==order\nname==Mia\n\n";

// Stores a submission of `name` labelled `label` into the group `group`
// (form "order", catalog "orders") whose catalog holds kOld; returns how the
// request ended (0: it did not).
struct Store {
  explicit Store(const std::string& group) {
    cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + cgi.home().file("shop.grp") + "\n");
    cgi.home().write("shop.grp", group);
    cgi.home().write("orders.dat", kOld);
    cgi.post("", "", "shop");
  }
  int store(const std::string& name, const std::string& label) {
    try {
      CatalogGroup app;
      RecordStore store(app);
      CatalogFileList files;
      CatalogResolver(app.group, app.today, app).addCatalogFiles(files, "orders");
      Submission submission;
      submission.formName = "order";
      submission.target = files.front();
      submission.label = label;
      submission.fields.add("name", name, AddMode::Append);
      GroupLock lock;
      store.lockGroup(lock);
      store.storeCounted(submission);
      store.flushStored();
    } catch (const RequestEnded& ended) {
      return ended.status;
    }
    return 0;
  }
  std::string read(const std::string& name) { return cgi.home().read(name); }
  CgiEnvironment cgi;
};

std::string record(const std::string& label, const std::string& name) {
  return "&LABEL==" + label + "\n&FORMID==order\nname==" + name + "\n\n";
}

}  // namespace

TEST(RecordStore, SixWaysOfStoring) {
  const std::string mia = kOld, ana = record("Q-2", "Ana");
  const std::string miaEntry = "Q-1 order 0\n";
  const std::string anaAfter = "Q-2 order " + std::to_string(mia.size()) + "\n";
  struct Row {
    const char* lines;  // index and insert keys of the group
    std::string catalog, index;
  } rows[] = {
      {"index=none\n", mia + ana, ""},
      {"index=none\ninsert=start\n", ana + mia, ""},
      {"index=none\ninsert=sort name\n", ana + mia, ""},
      {"", mia + ana, miaEntry + anaAfter},
      {"insert=start\n", mia + ana, anaAfter + miaEntry},
      {"insert=sort name\n", mia + ana, anaAfter + miaEntry},
  };
  for (const Row& row : rows) {
    Store store(std::string("vars=CDT\nform=order\ncatalog=orders order\n") + row.lines);
    if (!row.index.empty()) store.cgi.home().write("orders.idx", miaEntry);
    ASSERT_EQ(store.store("Ana", "Q-2"), 0) << row.lines << store.cgi.output();
    EXPECT_EQ(store.read("orders.dat"), row.catalog) << row.lines;
    if (!row.index.empty()) {
      EXPECT_EQ(store.read("orders.idx"), row.index) << row.lines;
    }
  }
}

TEST(RecordStore, CommonIndexKeepsOtherCatalogsEntries) {
  Store store("vars=CDT\nindex=common\ninsert=sort name\nform=order\ncatalog=orders order\n");
  store.cgi.home().write("shop.idx", "V-1 visit visits 0\nQ-1 order orders 0\n");
  ASSERT_EQ(store.store("Ana", "Q-2"), 0) << store.cgi.output();
  EXPECT_EQ(store.read("shop.idx"), "V-1 visit visits 0\nQ-2 order orders " +
                                        std::to_string(sizeof kOld - 1) + "\nQ-1 order orders 0\n");
}

// The index cannot be written (a folder stands at its name): the record
// appended before it is taken back and the group file (its counter) is put
// back as it was.
TEST(RecordStore, FailedIndexTakesTheRecordAndTheCounterBack) {
  const std::string group = "vars=CDT\ninsert=start\nform=order\ncatalog=orders order\ncount=1\n";
  Store store(group);
  ASSERT_EQ(mkdir(store.cgi.home().file("orders.idx").c_str(), 0700), 0);
  EXPECT_EQ(store.store("Ana", "Q-2"), 1);
  EXPECT_EQ(store.read("orders.dat"), kOld);
  EXPECT_EQ(store.read("shop.grp"), group);
}
