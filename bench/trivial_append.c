/* The floor of a stored submission as CGI: a trivial C program that appends
   the request's body to KALDERHOME/trivial.dat, flushes it to disk with
   fdatasync and writes a header, the CGI twin of trivial_fastcgi.c. A record
   that is never lost costs this flush on every submission; insert_bench
   compares insert with this floor besides the bare start. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(void) {
  const char* home = getenv("KALDERHOME");
  const char* length = getenv("CONTENT_LENGTH");
  char path[4096];
  snprintf(path, sizeof path, "%strivial.dat", home ? home : "/tmp/");
  long left = length ? strtol(length, NULL, 10) : 0;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd < 0) return 1;
  char buffer[8192];
  while (left > 0) {
    ssize_t got = read(0, buffer, left < (long)sizeof buffer ? (size_t)left : sizeof buffer);
    if (got <= 0 || write(fd, buffer, (size_t)got) != got) return 1;
    left -= got;
  }
  if (write(fd, "\n", 1) != 1 || fdatasync(fd) != 0) return 1;
  close(fd);
  fputs("Content-type: text/html\n\n", stdout);
  return 0;
}
