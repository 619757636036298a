#pragma once

#include "CoreError.h"

// A failure of the database engine: the file is missing, not a database, keyed otherwise, locked
// or the statement is wrong.
class DatabaseError final : public CoreError {
public:
    using CoreError::CoreError;
};
