// The group options file: what each key allows, and that anything it does
// not understand leaves a default rather than a wider permission.
#include "common/settings/group_options.h"

#include <gtest/gtest.h>

TEST(GroupOptions, NoFileAllowsNothingBeyondStoring) {
  GroupOptions options = parseGroupOptions("");
  EXPECT_FALSE(options.uploads.allowed());
  EXPECT_FALSE(options.allowsOrigin("https://a.example"));
  EXPECT_EQ(options.redirectFor("order"), "");
}

TEST(GroupOptions, KeysIgnoreCaseAndBlanks) {
  GroupOptions options = parseGroupOptions(
      "# comment\r\n ; another\nUPLOADENDINGS = .PDF png\n"
      "uploadMaxFile=2k\nuploadMaxTotal=nonsense\nuploadMaxDisk=3G\n"
      "allowedOrigins=https://a.example, https://b.example:8443\n"
      "redirect=/thanks.html\nRedirect.Order=https://a.example/order.html\nunknown=1\n");
  EXPECT_TRUE(options.uploads.acceptsName("Report.Pdf"));
  EXPECT_TRUE(options.uploads.acceptsName("x.png"));
  EXPECT_FALSE(options.uploads.acceptsName("x.pdf.html"));
  EXPECT_FALSE(options.uploads.acceptsName("pdf"));
  EXPECT_EQ(options.uploads.maxFile, 2048);
  EXPECT_EQ(options.uploads.maxTotal, 25LL << 20);
  EXPECT_EQ(options.uploads.maxDisk, 3LL << 30);
  EXPECT_TRUE(options.allowsOrigin("https://B.example:8443"));
  EXPECT_FALSE(options.allowsOrigin("https://b.example"));
  EXPECT_FALSE(options.allowsOrigin("null"));
  EXPECT_EQ(options.redirectFor("ORDER"), "https://a.example/order.html");
  EXPECT_EQ(options.redirectFor("visit"), "/thanks.html");
}

TEST(GroupOptions, ByteSizes) {
  struct Case {
    const char* text;
    long long bytes;
  } cases[] = {{"0", 0},           {"512", 512},
               {"1K", 1024},       {"10m", 10LL << 20},
               {"", -1},           {"M", -1},
               {"-1", -1},         {"1.5M", -1},
               {"1T", -1},         {"99999999999999999999", -1},
               {"2000000000G", -1}};
  for (const Case& c : cases) EXPECT_EQ(parseByteSize(c.text), c.bytes) << c.text;
}
