#include "frmMain.h"

// The details page's behaviour comes with the check-in work; the modes already call these.
void frmMain::ClearVisitorDetails(bool NewPassNo) {
    Q_UNUSED(NewPassNo);
}

void frmMain::LoadVisitorForEdit(const QString& PassNo) {
    Q_UNUSED(PassNo);
}

void frmMain::PrintPass(const QString& PassNo) {
    Q_UNUSED(PassNo);
}
