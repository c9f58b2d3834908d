// The password comparison.
#include "common/access/password_check.h"

#include "common/text/text.h"

bool passwordMatches(std::string_view posted, std::string_view stored) {
  unsigned difference = posted.size() == stored.size() ? 0 : 1;
  for (size_t i = 0; i < stored.size(); ++i) {
    char typed = i < posted.size() ? posted[i] : '\0';
    difference |= static_cast<unsigned char>(upperAscii(typed) ^ upperAscii(stored[i]));
  }
  return difference == 0;
}

bool tokenMatches(std::string_view presented, std::string_view stored) {
  unsigned difference = presented.size() == stored.size() ? 0 : 1;
  for (size_t i = 0; i < stored.size(); ++i) {
    char given = i < presented.size() ? presented[i] : '\0';
    difference |= static_cast<unsigned char>(given ^ stored[i]);
  }
  return difference == 0;
}
