// The retention keys of a group's options file: the group's days, a
// catalog's own over them, and values that leave a key unset.
#include "common/settings/retention_options.h"

#include <gtest/gtest.h>

#include "common/settings/group_options.h"

namespace {

List<CatalogEntry> catalogs(std::initializer_list<const char*> names) {
  List<CatalogEntry> list;
  for (const char* name : names) {
    CatalogEntry entry;
    entry.name = Text(name);
    list.push_back(entry);
  }
  return list;
}

TEST(RetentionOptions, NoKeyKeepsEverything) {
  RetentionOptions retention = parseGroupOptions("uploadEndings=pdf\n").retention;
  EXPECT_EQ(retention.daysOf("orders"), 0);
  EXPECT_FALSE(retention.any(catalogs({"orders", "visits"})));
  EXPECT_EQ(retention.logDays(catalogs({"orders"})), 0);
}

TEST(RetentionOptions, ACatalogsOwnDaysWinInAnyLetterCase) {
  RetentionOptions retention =
      parseGroupOptions(" RETAINDAYS = 365 \nretainDays.Orders=30\nretaindays.invoices=0\n")
          .retention;
  EXPECT_EQ(retention.daysOf("visits"), 365);
  EXPECT_EQ(retention.daysOf("ORDERS"), 30);
  EXPECT_EQ(retention.daysOf("invoices"), 0);
  EXPECT_TRUE(retention.any(catalogs({"invoices", "orders"})));
  EXPECT_FALSE(retention.any(catalogs({"invoices"})));
  EXPECT_EQ(retention.logDays(catalogs({"invoices"})), 365);
}

TEST(RetentionOptions, LogsOfAGroupWithoutItsOwnDays) {
  RetentionOptions retention = parseGroupOptions("retainDays.a=30\nretainDays.b=90\n").retention;
  EXPECT_EQ(retention.logDays(catalogs({"a", "b"})), 90);
  // A catalog kept for ever keeps the logs, which name no catalog.
  EXPECT_EQ(retention.logDays(catalogs({"a", "b", "c"})), 0);
}

TEST(RetentionOptions, ValuesThatAreNoDaysLeaveTheKeyUnset) {
  for (const char* value : {"", "0", "-3", "30d", "3.5", "1000001", "99999999999999999999"}) {
    RetentionOptions retention =
        parseGroupOptions(std::string("retainDays=") + value + "\nretainDays.a=" + value + "\n")
            .retention;
    EXPECT_EQ(retention.days, 0) << value;
    if (std::string(value) != "0") {
      EXPECT_TRUE(retention.catalogDays.empty()) << value;
    }
  }
  // Keys that only begin like one are no retention keys.
  RetentionOptions retention = parseGroupOptions("retainDaysX=5\nretainDays.=5\n").retention;
  EXPECT_EQ(retention.days, 0);
  EXPECT_TRUE(retention.catalogDays.empty());
}

}  // namespace
