#include "frmMain.h"

// Remembered widths come with the result lists; load and unload already call these.
void frmMain::LoadListWidths() {}

void frmMain::SaveListWidths() {}
