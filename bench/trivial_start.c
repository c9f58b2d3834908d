/* The floor of a CGI start: a trivial C program that writes only a header.
   insert_bench measures insert's whole-process time against it. */
#include <stdio.h>

int main(void) {
  fputs("Content-type: text/html\n\n", stdout);
  return 0;
}
