// The login page: the password prompt that a request without the right
// password gets instead of the settings pages.
#pragma once

class AdminApplication;

// Writes the login page; its form posts to zorvik without a group, so a
// successful login always leads to the settings overview.
void writeLoginPage(AdminApplication& app);
