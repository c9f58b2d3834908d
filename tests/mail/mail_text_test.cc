// The reader's side of a mail: letters in UTF-8 whatever the form posted,
// and 7-bit encodings that decode to exactly the text.
#include "common/mail/mail_text.h"

#include <gtest/gtest.h>

#include "common/text/utf8.h"
#include "support/text_print.h"

namespace {

TEST(MailText, LettersBecomeUtf8) {
  struct Case {
    const char* text;
    const char* charset;
    const char* utf8;
  } cases[] = {
      {"Ko\xC4\x8D"
       "evje",
       "UTF-8",
       "Ko\xC4\x8D"
       "evje"},  // UTF-8 kept
      {"Ko\xE8"
       "evje",
       "ISO-8859-2",
       "Ko\xC4\x8D"
       "evje"},                                  // latin2 c with caron
      {"caf\xE9", "ISO-8859-1", "caf\xC3\xA9"},  // latin1
      {"caf\xE9", "", "caf\xC3\xA9"},            // no charset: latin1
      {"Ko&ccaron;evje &amp;", "",
       "Ko\xC4\x8D"
       "evje &amp;"},  // entity names
      {"\xE8&scaron;", "ISO-8859-2", "\xC4\x8D\xC5\xA1"},
  };
  for (const Case& c : cases) EXPECT_EQ(mailUtf8(c.text, c.charset), c.utf8) << c.text;
}

TEST(MailText, QuotedPrintableLines) {
  struct Case {
    std::string body;
    std::string encoded;
  } cases[] = {
      {"a=b\n", "a=3Db\r\n"},
      {"end \nx\t", "end=20\r\nx=09"},
      {"\xC4\x8D\r\n.", "=C4=8D\r\n."},
      {std::string(80, 'a'), std::string(75, 'a') + "=\r\n" + std::string(5, 'a')},
      {std::string(74, 'a') + "\xC4\x8D", std::string(74, 'a') + "=\r\n=C4=8D"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Text encoded = quotedPrintable(c.body);
    EXPECT_EQ(encoded, c.encoded) << c.body;
    for (size_t at = 0, end; at < encoded.str().size(); at = end + 2) {
      end = encoded.str().find("\r\n", at);
      if (end == std::string::npos) end = encoded.str().size();
      EXPECT_LE(end - at, 76u);
    }
  }
}

TEST(MailText, HeaderWordsNeverSplitALetter) {
  EXPECT_EQ(encodedWords("New entry"), "New entry");
  EXPECT_EQ(encodedWords("Nov zapis \xC4\x8D"), "=?UTF-8?B?Tm92IHphcGlzIMSN?=");
  std::string long_;
  for (int i = 0; i < 40; ++i) long_ += "\xC4\x8D";
  Text words = encodedWords(long_);
  EXPECT_EQ(words.str().find("=?UTF-8?B?"), 0u);
  EXPECT_NE(words.str().find("?=\r\n =?UTF-8?B?"), std::string::npos);
  EXPECT_EQ(encodedWords("a\r\nBcc: x"), "=?UTF-8?B?YQ0KQmNjOiB4?=");  // no header line added
}

TEST(MailText, DateHeader) {
  EXPECT_EQ(mailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
  EXPECT_EQ(mailDate(1796770000), "Tue, 08 Dec 2026 22:46:40 +0000");
}

}  // namespace
