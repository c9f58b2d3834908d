// The login page of the record viewer: it posts the password back to the
// very request that was refused, so a link from a mail works after one login.
#pragma once

class ShowApplication;

void writeLoginPage(ShowApplication& app);
