// RequestEnded: thrown once the error page of a fatal condition is written.
// Each program's entry catches it and exits with its status, so the layers
// below carry no error plumbing and nothing is written after the error page.
#pragma once

struct RequestEnded {
  int status;
};
