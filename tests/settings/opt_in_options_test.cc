// The double opt-in keys of a group's options file: read in any letter case,
// confirmDays only as a whole number in range, nothing set without them.
#include "common/settings/opt_in_options.h"

#include <gtest/gtest.h>

#include <string>

#include "common/settings/group_options.h"

namespace {

TEST(OptInOptions, KeysAreReadAndDaysChecked) {
  OptInOptions none = parseGroupOptions("honeypot=website\n").optIn;
  EXPECT_FALSE(none.enabled());
  EXPECT_EQ(none.days, 7);
  OptInOptions set =
      parseGroupOptions(" CONFIRMFIELD = email \nconfirmTemplate=confirm.tmt\nconfirmdays=3\n")
          .optIn;
  EXPECT_TRUE(set.enabled());
  EXPECT_EQ(set.field.str(), "email");
  EXPECT_EQ(set.templateFile.str(), "confirm.tmt");
  EXPECT_EQ(set.days, 3);
  struct Case {
    const char* value;
    long days;
  } cases[] = {{"1", 1}, {"3650", 3650}, {"0", 7}, {"-2", 7}, {"3651", 7}, {"5d", 7}, {"", 7}};
  for (const Case& c : cases)
    EXPECT_EQ(parseGroupOptions(std::string("confirmDays=") + c.value).optIn.days, c.days)
        << c.value;
}

}  // namespace
