#pragma once

struct sqlite3;

// The register's text comparisons ignore letter case for every letter, while the engine's own LIKE
// folds only A to Z. This replaces LIKE on one connection (the function lives in the connection,
// not in the file, so the sqlcipher shell still reads and writes the database): "%" and "_" as
// before, an optional ESCAPE character, letters compared by Unicode case folding. Texts made of
// ASCII alone, the common case, are matched byte by byte without decoding.
class CaseFoldingLike final {
public:
    CaseFoldingLike() = delete;

    // False when the engine refused the function.
    static bool Register(sqlite3* db);
};
