// Login and dispatch of the administration pages.
#include "zorvik/admin_application.h"

void AdminApplication::run() {}
