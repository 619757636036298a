#include "Login.h"

#include "Settings.h"

void Login::Initialize() {
    // A password that could not be read raises: taken for "", it would let anyone in.
    const Settings::TableRow stored = Settings().ReadTableRow();
    strPassword = stored.Password;
    const QString& hint = stored.Hint;
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
