#pragma once

#include <QString>

// Checks the application password against the one stored when Initialize ran.
class Login final {
public:
    // Raises CoreError when the stored password cannot be read.
    void Initialize();
    // Exact, case-sensitive comparison.
    bool Authenticate(const QString& Password) const;
    QString GetPasswordHint() const;

private:
    QString strPassword;
    QString strPasswordHint;
};
