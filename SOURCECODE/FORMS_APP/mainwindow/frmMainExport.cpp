#include "frmMain.h"

void frmMain::QVReport_Click() {}
