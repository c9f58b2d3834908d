// The submission flow.
#include "insert/submit_application.h"

void SubmitApplication::runSubmission() {}
