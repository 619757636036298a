#include "frmMain.h"

// The ticker and the daily rotation come with the status-bar work; the timer and load call these.
void frmMain::tmrScroller_Timer() {}

void frmMain::RotateAdvertisement() {}
