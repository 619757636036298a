#pragma once

#include <QString>
#include <QVariant>

#include <ostream>

// Readable failure messages for Qt values in GoogleTest assertions.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QVariant& value, std::ostream* os) {
    if (value.isNull()) {
        *os << "Null";
    } else {
        *os << value.typeName() << '(' << value.toString().toStdString() << ')';
    }
}
