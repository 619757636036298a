#include "frmMain.h"

// The search page's behaviour comes with the search work; load and the details page call these.
void frmMain::LoadSearchFilters() {}

void frmMain::btnSearch_Click() {}
