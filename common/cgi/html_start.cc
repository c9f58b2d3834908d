// The start of a page this system designs, with its language.
#include "common/cgi/html_start.h"

void writeHtmlStart(const CgiPage& page) {
  page.writeDirect(Text::format("<html lang=\"%s\">\n", kHtmlLanguageCodes[page.currentIndex()]));
}
