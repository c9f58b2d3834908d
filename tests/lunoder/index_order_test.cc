// The order of a rebuilt index: storing random records one by one (as the
// specified scan places each entry, or first, or last) gives the same index
// as a rebuild of the whole catalog, in every insertion mode and layout.
#include "lunoder/index_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalog/record_test_support.h"
#include "common/catalog/delimited_record.h"
#include "common/catalog/index_entry.h"
#include "common/storing/sorted_place.h"
#include "lunoder/index_application.h"
#include "support/cgi_environment.h"

namespace {

struct Mode {
  const char* lines;  // group file lines
  std::vector<std::string> keys;
};

const Mode kModes[] = {
    {"insert=sort name\n", {"", "a", "b", "B", "&ccaron;", "\"c"}},
    {"insert=sort NAME r\n", {"", "a", "b", "B"}},
    {"insert=sort name n\n", {"1", "01", "2", "x", "-1", "1e1"}},
    {"insert=sort name nr\n", {"1", "2.0", "2", "x"}},
    {"insert=start\n", {"a"}},
    {"insert=end\n", {"a"}},
    {"insert=sort name\ndata=;x;name\n", {"", "a", "b;c", "\"q"}},
    {"insert=sort name r\nindex=common\n", {"a", "b"}},
};

class IndexOrderTest : public ::testing::Test {
 protected:
  // A catalog of `count` records with random keys of `mode`, in the layout
  // its group file gives; returns the record offsets.
  std::vector<long> writeCatalog(const Mode& mode, size_t count, std::mt19937& random) {
    bool delimited = std::string(mode.lines).find("data=") != std::string::npos;
    std::string catalog;
    std::vector<long> offsets;
    for (size_t i = 0; i < count; ++i) {
      offsets.push_back(static_cast<long>(catalog.size()));
      std::string label = "Q-" + std::to_string(i + 1);
      std::string key = mode.keys[random() % mode.keys.size()];
      if (delimited) {
        catalog += label + ";order;;;;;x;" + delimitedValue(key, ';').str() + "\n";
      } else {
        catalog += "&LABEL==" + label + "\n&FORMID==order\nname==" + key + "\n\n";
      }
    }
    cgi.home().write("orders.dat", catalog);
    return offsets;
  }

  // The index that storing the records one by one would have left.
  std::string indexByInsertion(IndexApplication& app, const std::vector<long>& offsets,
                               const std::string& indexName) {
    std::string index;
    FilePtr catalog = app.openRead(cgi.home().file("orders.dat"), OpenMode::Required);
    const GroupDescription& group = app.group;
    for (size_t i = 0; i < offsets.size(); ++i) {
      Text entry;
      appendIndexEntry(entry,
                       IndexEntry{"Q-" + std::to_string(i + 1), "order", "orders", offsets[i], ""},
                       entriesNameCatalog(group.indexMode));
      size_t place = index.size();
      if (group.insertMode == InsertMode::Start) place = 0;
      if (group.insertMode == InsertMode::Sorted) {
        cgi.home().write(indexName, index);
        FilePtr old = app.openRead(cgi.home().file(indexName), OpenMode::Required);
        ParamList fields;
        std::fseek(catalog.get(), offsets[i], SEEK_SET);
        readRecordAt(recordLayoutOf(group), catalog.get(), fields);
        place = static_cast<size_t>(scannedEntryPlace(app, old.get(), catalog.get(), "orders",
                                                      fields.value(group.sortField)));
      }
      index.insert(place, entry.str());
    }
    return index;
  }

  CgiEnvironment cgi;
};

TEST_F(IndexOrderTest, RebuildGivesTheIndexOfStoringOneByOne) {
  std::mt19937 random(2024);
  for (const Mode& mode : kModes) {
    for (int round = 0; round < 6; ++round) {
      cgi.home().write("kalder.ini", "[GROUPS]\nshop=" + cgi.home().file("shop.grp") + "\n");
      cgi.home().write("shop.grp", std::string(mode.lines) + "form=order\ncatalog=orders order\n");
      std::vector<long> offsets = writeCatalog(mode, random() % 60, random);
      cgi.get("", "shop");
      IndexApplication app;
      std::string indexName = app.group.indexMode == ShareMode::Common ? "shop.idx" : "orders.idx";
      std::string expected = indexByInsertion(app, offsets, indexName);
      cgi.home().write(indexName, "stale\n");
      app.buildIndexes();
      ASSERT_EQ(cgi.home().read(indexName), expected) << mode.lines << "catalog:\n"
                                                      << cgi.home().read("orders.dat");
    }
  }
}

}  // namespace
