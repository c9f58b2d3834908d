// The sort key reader against the record reader: on random catalogs of the
// pieces that matter to either layout, every record gives the key that its
// fields read into a parameter list give, at the same offsets, and a
// malformed record is malformed to both.
#include "common/catalog/sort_key.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "group_fixture.h"
#include "record_test_support.h"

namespace {

class SortKeyTest : public GroupFixture {
 protected:
  // "offset:key|" per record read into a parameter list, "malformed" at
  // the end of one that is.
  std::string reference(const std::string& catalog, const std::string& field) {
    ScratchFile file(catalog);
    RecordLayout layout = recordLayoutOf(group->group);
    ParamList fields;
    std::string out;
    for (;;) {
      long offset = std::ftell(file.get());
      RecordRead read = readRecordAt(layout, file.get(), fields);
      if (read == RecordRead::End) return out;
      if (read == RecordRead::Malformed) return out + "malformed";
      out += std::to_string(offset) + ":" + fields.value(field).str() + "|";
    }
  }
  // The same through SortKeyReader over blocks of `block` bytes.
  std::string keys(const std::string& catalog, const std::string& field, size_t block) {
    ScratchFile file(catalog);
    BlockLines lines(file.get(), block);
    SortKeyReader reader(recordLayoutOf(group->group), field);
    std::string out;
    Text key;
    for (;;) {
      long offset = lines.offset();
      RecordRead read = reader.next(lines, key);
      if (read == RecordRead::End) return out;
      if (read == RecordRead::Malformed) return out + "malformed";
      out += std::to_string(offset) + ":" + key.str() + "|";
    }
  }
  void compareOnRandomCatalogs(const std::vector<std::string>& pieces,
                               const std::vector<std::string>& fields, unsigned seed) {
    std::mt19937 random(seed);
    for (int round = 0; round < 400; ++round) {
      std::string catalog;
      int length = static_cast<int>(random() % 40);
      for (int i = 0; i < length; ++i) catalog += pieces[random() % pieces.size()];
      for (const std::string& field : fields) {
        std::string expected = reference(catalog, field);
        for (size_t block : {1u, 7u, 4096u})
          ASSERT_EQ(keys(catalog, field, block), expected)
              << "field " << field << ", block " << block << ", catalog: " << catalog;
      }
    }
  }
};

TEST_F(SortKeyTest, ItemFormAgreesWithTheRecordReader) {
  load("vars=CDT\n");
  compareOnRandomCatalogs({"name", "NAME", "&label", "x", "=", "==", "=+", "E", "LABEL", "\n", "\n",
                           "\r", "\"c", " ", std::string(1030, 'n'), "nameE"},
                          {"name", "&LABEL", "E", "", std::string(1030, 'n')}, 1);
}

TEST_F(SortKeyTest, DelimitedFormAgreesWithTheRecordReader) {
  load("data=;x;name;Name\nvars=CDTR\n");
  compareOnRandomCatalogs({";", "\"", "\"\"", "name", "a", "\n", "\r", "\"c", " "},
                          {"name", "&label", "x", "", "absent"}, 2);
}

TEST_F(SortKeyTest, LongValuesOfOtherFieldsArePassed) {
  load("");
  std::string catalog = "note==" + std::string(200000, 'v') + "\nname==Ana\n\n" + "note=+W\n" +
                        std::string(100000, 'w') + "\nW\nname=+E\nA\nB\nE\n\n";
  EXPECT_EQ(keys(catalog, "name", 64), reference(catalog, "name"));
  EXPECT_EQ(keys(catalog, "name", 64), "0:Ana|200018:A\nB|");
}

}  // namespace
