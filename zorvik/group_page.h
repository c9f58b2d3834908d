// The group details page: the whole group description file as one form with
// sixteen numbered items, and a second small form back to the overview.
#pragma once

#include "common/text/text.h"

class AdminApplication;

// The selected entry of each list: a form, catalog or variable name, and the
// 1-based position of a response; empty when none is selected.
struct GroupMarks {
  Text form;
  Text catalog;
  Text response;
  Text variable;
};

// Writes the details page of the group held by `app`.
void writeGroupPage(AdminApplication& app, const GroupMarks& marks);
