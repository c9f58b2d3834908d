// Viewing and exporting records.
#include "show/show_application.h"

void ShowApplication::run() { writeHeader("text/html"); }
