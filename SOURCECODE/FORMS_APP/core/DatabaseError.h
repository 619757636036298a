#pragma once

#include "CoreError.h"

// A failure of the database engine: the file is missing, not a database, keyed otherwise, locked
// or the statement is wrong. Code is SQLite's extended result code, 0 when the failure is ours.
class DatabaseError final : public CoreError {
public:
    explicit DatabaseError(const QString& description, int code = 0)
        : CoreError(description)
        , m_code(code) {}

    int Code() const { return m_code; }

private:
    int m_code = 0;
};
