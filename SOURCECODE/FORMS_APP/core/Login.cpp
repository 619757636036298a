#include "Login.h"

#include "Settings.h"

void Login::Initialize() {
    Settings settings;
    strPassword = settings.GetApplicationPassword();
    const QString hint = settings.GetPasswordHint();
    strPasswordHint =
        hint.isEmpty() ? QStringLiteral("No Password hint has been set!")
                       : QStringLiteral("Your password hint:") + QStringLiteral("\r\n\r\n") + hint;
}

bool Login::Authenticate(const QString& Password) const {
    return Password == strPassword;
}

QString Login::GetPasswordHint() const {
    return strPasswordHint;
}
