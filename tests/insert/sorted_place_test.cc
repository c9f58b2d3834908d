// The places of sorted insertion: the scan of a catalog file stops where the
// record-by-record merge stopped, and on an index in insertion order the
// binary search finds exactly the place of the scan, ties and all.
#include "common/storing/sorted_place.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalog/group_fixture.h"
#include "catalog/record_test_support.h"
#include "common/catalog/sort_order.h"

namespace {

struct Order {
  const char* insert;
  std::vector<std::string> keys;  // few, so that ties are many
};

const Order kOrders[] = {
    {"insert=sort name\n", {"", "a", "b", "b", "B", "c", "&ccaron;"}},
    {"insert=sort name r\n", {"", "a", "b", "B", "c"}},
    {"insert=sort name n\n", {"1", "01", "2", "2.0", "x", "-1", "10"}},
    {"insert=sort name nr\n", {"1", "2", "x", "-1", "10", "1e2"}},
};

class SortedPlaceTest : public GroupFixture {
 protected:
  // A catalog of item records with the keys `keys`, in that order.
  void writeCatalog(const std::vector<std::string>& keys) {
    catalog_.clear();
    offsets_.clear();
    for (size_t i = 0; i < keys.size(); ++i) {
      offsets_.push_back(static_cast<long>(catalog_.size()));
      catalog_ += "&LABEL==Q-" + std::to_string(i + 1) + "\n&FORMID==order\nname==" + keys[i] +
                  "\nnote=+LABEL\nsome\nlines\nLABEL\n\n";
    }
    cgi.home().write("orders.dat", catalog_);
  }
  FilePtr open(const std::string& name) { return group->openRead(home(name), OpenMode::Required); }

  // Stores the records one by one in the index as the specified scan
  // places them.
  std::string indexByInsertion() {
    std::string index;
    FilePtr catalog = open("orders.dat");
    for (size_t i = 0; i < offsets_.size(); ++i) {
      cgi.home().write("orders.idx", index);
      FilePtr old = open("orders.idx");
      std::string key = keyOf(i);
      long place = scannedEntryPlace(*group, old.get(), catalog.get(), "orders", key);
      std::string entry =
          "Q-" + std::to_string(i + 1) + " order " + std::to_string(offsets_[i]) + "\n";
      index.insert(static_cast<size_t>(place), entry);
    }
    cgi.home().write("orders.idx", index);
    return index;
  }
  // The key of record i as a parameter list holds it.
  std::string keyOf(size_t i) {
    ParamList fields;
    FilePtr catalog = open("orders.dat");
    std::fseek(catalog.get(), offsets_[i], SEEK_SET);
    readRecordAt(recordLayoutOf(group->group), catalog.get(), fields);
    return fields.value("name").str();
  }

  std::string catalog_;
  std::vector<long> offsets_;
};

TEST_F(SortedPlaceTest, SearchFindsThePlaceOfTheScanOnAnIndexInInsertionOrder) {
  std::mt19937 random(42);
  for (const Order& order : kOrders) {
    load(std::string(order.insert) + "form=order\ncatalog=orders order\n");
    for (int round = 0; round < 8; ++round) {
      std::vector<std::string> keys(random() % 40);
      for (std::string& key : keys) key = order.keys[random() % order.keys.size()];
      writeCatalog(keys);
      indexByInsertion();
      FilePtr catalog = open("orders.dat"), index = open("orders.idx");
      for (const std::string& key : order.keys) {
        long scanned = scannedEntryPlace(*group, index.get(), catalog.get(), "orders", key);
        long searched = searchedEntryPlace(*group, index.get(), catalog.get(), key);
        ASSERT_EQ(searched, scanned) << order.insert << "key " << key << ", index:\n"
                                     << cgi.home().read("orders.idx");
      }
    }
  }
}

// The merge of the original design read record after record and stopped at
// the first that does not go before the new one.
TEST_F(SortedPlaceTest, RecordScanStopsWhereTheMergeStopped) {
  std::mt19937 random(7);
  for (const Order& order : kOrders) {
    load(std::string(order.insert) + "index=none\nform=order\ncatalog=orders order\n");
    for (int round = 0; round < 20; ++round) {
      std::vector<std::string> keys(random() % 12);
      for (std::string& key : keys) key = order.keys[random() % order.keys.size()];
      writeCatalog(keys);
      for (const std::string& newKey : order.keys) {
        long expected = static_cast<long>(catalog_.size());
        for (size_t i = 0; i < keys.size(); ++i) {
          if (!goesBefore(keyOf(i), newKey, group->group.sortNumeric, group->group.sortReverse)) {
            expected = offsets_[i];
            break;
          }
        }
        FilePtr catalog = open("orders.dat");
        ASSERT_EQ(sortedRecordPlace(*group, catalog.get(), newKey), expected)
            << order.insert << newKey;
      }
    }
  }
}

// Entries of other catalogs pass the scan of a common index; an unsorted
// part of the index gives the search some place, never a crash.
TEST_F(SortedPlaceTest, CommonIndexScanPassesOtherCatalogs) {
  load("insert=sort name\nindex=common\nform=order\ncatalog=orders order\n");
  writeCatalog({"b", "d"});
  std::string index = "Q-9 visit visits 0\nQ-1 order orders 0\nQ-8 visit visits 40\n";
  std::string second = "Q-2 order orders " + std::to_string(offsets_[1]) + "\n";
  cgi.home().write("orders.idx", index + second);
  FilePtr catalog = open("orders.dat"), old = open("orders.idx");
  EXPECT_EQ(scannedEntryPlace(*group, old.get(), catalog.get(), "orders", "a"),
            static_cast<long>(index.find("Q-1")));
  EXPECT_EQ(scannedEntryPlace(*group, old.get(), catalog.get(), "orders", "c"),
            static_cast<long>(index.size()));
  EXPECT_EQ(scannedEntryPlace(*group, old.get(), catalog.get(), "orders", "e"),
            static_cast<long>(index.size() + second.size()));
}

TEST_F(SortedPlaceTest, SearchOnEmptyOrOddIndexes) {
  load("insert=sort name\nform=order\ncatalog=orders order\n");
  writeCatalog({"b"});
  FilePtr catalog = open("orders.dat");
  for (std::string index : {"", "\n", "Q-1 order 0", "Q-1 order 99999\n", "Q-1 order -5\r\n",
                            "Q-1 order 0\nQ-1 order 0\nQ-1 order 0"}) {
    cgi.home().write("orders.idx", index);
    FilePtr old = open("orders.idx");
    for (const char* key : {"", "a", "b", "c"}) {
      EXPECT_EQ(searchedEntryPlace(*group, old.get(), catalog.get(), key),
                scannedEntryPlace(*group, old.get(), catalog.get(), "orders", key))
          << index << " key " << key;
    }
  }
}

}  // namespace
