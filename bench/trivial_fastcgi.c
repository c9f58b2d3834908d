/* The floor of a stored submission over FastCGI: a trivial libfcgi program
   that appends each request's body to KALDERHOME/trivial.dat, flushes it to
   disk with fdatasync and answers a line. bench/server_throughput.py serves
   it beside insert under the same nginx with as many processes. */
#include <fcgiapp.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* Appends the body of `request` to the file and flushes it; 0 on success. */
static int store(FCGX_Request* request) {
  const char* home = FCGX_GetParam("KALDERHOME", request->envp);
  const char* length = FCGX_GetParam("CONTENT_LENGTH", request->envp);
  char path[4096];
  snprintf(path, sizeof path, "%strivial.dat", home ? home : "/tmp/");
  long left = length ? strtol(length, NULL, 10) : 0;
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd < 0) return -1;
  char buffer[8192];
  int failed = 0;
  while (left > 0 && !failed) {
    int got = FCGX_GetStr(buffer, left < (long)sizeof buffer ? (int)left : (int)sizeof buffer,
                          request->in);
    if (got <= 0) break;
    failed = write(fd, buffer, (size_t)got) != got;
    left -= got;
  }
  failed = failed || write(fd, "\n", 1) != 1 || fdatasync(fd) != 0;
  close(fd);
  return failed ? -1 : 0;
}

int main(void) {
  FCGX_Init();
  FCGX_Request request;
  FCGX_InitRequest(&request, 0, 0);
  while (FCGX_Accept_r(&request) >= 0) {
    if (store(&request) == 0)
      FCGX_FPrintF(request.out, "Content-type: text/plain\r\n\r\nStored.\n");
    else
      FCGX_FPrintF(request.out,
                   "Status: 500 Internal Server Error\r\n"
                   "Content-type: text/plain\r\n\r\nNot stored.\n");
    FCGX_Finish_r(&request);
  }
  return 0;
}
