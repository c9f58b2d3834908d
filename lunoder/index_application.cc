// Rebuilding the index files of a group.
#include "lunoder/index_application.h"

void IndexApplication::buildIndexes() {}
