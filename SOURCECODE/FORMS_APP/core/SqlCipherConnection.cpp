#include "SqlCipherConnection.h"

#include "CaseFoldingLike.h"
#include "DatabaseError.h"
#include "SqlCipherKeyCache.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

#include <sqlcipher/sqlite3.h>

#include <array>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// True when the text from `from` to `end` holds a statement, not only blanks, comments and ";".
bool HoldsAnotherStatement(sqlite3* db, const char* from, const char* end) {
    while (from < end) {
        sqlite3_stmt* next = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, from, static_cast<int>(end - from), &next, &tail);
        const bool statement = rc != SQLITE_OK || next != nullptr;
        sqlite3_finalize(next);
        if (statement || tail == nullptr || tail <= from) {
            return statement || (tail != nullptr && tail < end);
        }
        from = tail;
    }
    return false;
}

// Exactly one statement: a second one after ";" is refused, so a value can never end the
// statement it was put into and start another.
class Statement final {
public:
    Statement(sqlite3* db, const QString& text) {
        if (text.contains(QChar(u'\0'))) {
            // SQLite would stop reading at it and run what stands before.
            throw DatabaseError(QStringLiteral("The statement holds a NUL character"));
        }
        const QByteArray utf8 = text.toUtf8();
        const char* end = utf8.constData() + utf8.size();
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt,
                               &tail) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)),
                                sqlite3_extended_errcode(db));
        }
        if (m_stmt == nullptr) {
            throw DatabaseError(QStringLiteral("The statement is empty"));
        }
        if (tail != nullptr && HoldsAnotherStatement(db, tail, end)) {
            sqlite3_finalize(m_stmt);
            throw DatabaseError(QStringLiteral("Only one statement may run at a time; a second "
                                               "statement follows the \";\""));
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Q_DISABLE_COPY_MOVE(Statement)

    sqlite3_stmt* Get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

QString DateTimeText(const QDateTime& value) {
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int BindText(sqlite3_stmt* stmt, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                             SQLITE_TRANSIENT);
}

int BindValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (value.isNull()) {
        return sqlite3_bind_null(stmt, index);
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QDateTime:
        return BindText(stmt, index, DateTimeText(value.toDateTime()));
    case QMetaType::QDate:
        return BindText(stmt, index, value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(stmt, index, bytes.constData(), static_cast<int>(bytes.size()),
                                 SQLITE_TRANSIENT);
    }
    default:
        return BindText(stmt, index, value.toString());
    }
}

// One row's cells as the record set takes them; numbers are kept here until the row is stored.
class RowReader final {
public:
    explicit RowReader(int columns)
        : m_types(static_cast<std::size_t>(columns))
        , m_cells(static_cast<std::size_t>(columns))
        , m_numbers(static_cast<std::size_t>(columns)) {}

    void Read(sqlite3_stmt* stmt, RecordSet& records) {
        for (std::size_t c = 0; c < m_types.size(); ++c) {
            // One call into the statement a cell; the value's own accessors are cheaper than
            // asking the statement for kind, text and length each.
            sqlite3_value* value = sqlite3_column_value(stmt, static_cast<int>(c));
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                Number(c, RecordSet::CellType::Integer, sqlite3_value_int64(value));
                break;
            case SQLITE_FLOAT:
                Number(c, RecordSet::CellType::Float, sqlite3_value_double(value));
                break;
            case SQLITE_NULL:
                m_types[c] = RecordSet::CellType::Null;
                m_cells[c] = {};
                break;
            case SQLITE_BLOB:
                m_types[c] = RecordSet::CellType::Blob;
                m_cells[c] = {static_cast<const char*>(sqlite3_value_blob(value)),
                              static_cast<std::size_t>(sqlite3_value_bytes(value))};
                break;
            default:
                m_types[c] = RecordSet::CellType::Text;
                m_cells[c] = {reinterpret_cast<const char*>(sqlite3_value_text(value)),
                              static_cast<std::size_t>(sqlite3_value_bytes(value))};
                break;
            }
        }
        records.AppendRow(m_types, m_cells);
    }

private:
    template <typename T>
    void Number(std::size_t c, RecordSet::CellType type, T value) {
        static_assert(sizeof(T) == sizeof(m_numbers[c]));
        std::memcpy(m_numbers[c].data(), &value, sizeof(value));
        m_types[c] = type;
        m_cells[c] = {m_numbers[c].data(), m_numbers[c].size()};
    }

    std::vector<RecordSet::CellType> m_types;
    std::vector<std::string_view> m_cells;
    std::vector<std::array<char, 8>> m_numbers;
};

QString KeyPragma(const QString& key) {
    QString quoted = key;
    quoted.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("PRAGMA key = '") + quoted + QStringLiteral("';");
}

} // namespace

SqlCipherConnection::SqlCipherConnection(const QString& path, const QString& key, Mode mode,
                                         const char* vfs)
    : m_vfs(vfs) {
    // A connection serves one call on one thread, so the engine need not lock it for every cell
    // it hands out.
    int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::CreateIfMissing) {
        flags |= SQLITE_OPEN_CREATE;
    } else if (QFileInfo(path).isFile() && QFileInfo(path).size() == 0) {
        // SQLite takes an empty file for an empty database and would write into it.
        throw DatabaseError(QStringLiteral("file is encrypted or is not a database: ") + path);
    }
    if (mode != Mode::CreateIfMissing) {
        const QString rawKey =
            SqlCipherKeyCache::RawKeyPragma(key, SqlCipherKeyCache::ReadSalt(path));
        if (!rawKey.isEmpty() && TryKey(path, flags, rawKey)) {
            return;
        }
    }
    // The password itself: for a new file, and the final word on any other.
    if (!TryKey(path, flags, KeyPragma(key))) {
        const QString description = QString::fromUtf8(sqlite3_errmsg(m_db));
        Close();
        throw DatabaseError(description);
    }
}

bool SqlCipherConnection::TryKey(const QString& path, int flags, const QString& keyPragma) {
    Close();
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, m_vfs);
    if (rc != SQLITE_OK) {
        const QString description = m_db != nullptr ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                                    : QString::fromUtf8(sqlite3_errstr(rc));
        Close();
        throw DatabaseError(description + QStringLiteral(": ") + path);
    }
    sqlite3_busy_handler(m_db, &SqlCipherConnection::WaitWhileBusy, this);
    try {
        ExecuteScript(keyPragma);
        // The key is only tried on the first read: a wrong key or a file that is no database
        // fails here, before the caller's statement runs.
        ExecuteScript(QStringLiteral("SELECT count(*) FROM sqlite_master;"));
        if (!CaseFoldingLike::Register(m_db)) {
            Fail();
        }
        if ((flags & SQLITE_OPEN_READWRITE) != 0) {
            // A commit deletes the journal; at FULL the engine does not sync the folder after
            // that, so a power cut could bring the journal back and undo a change answered as
            // done. EXTRA syncs it.
            ExecuteScript(QStringLiteral("PRAGMA main.synchronous = EXTRA;"));
        }
        return true;
    } catch (const DatabaseError&) {
        if (sqlite3_errcode(m_db) == SQLITE_NOTADB) {
            return false;
        }
        Close();
        throw;
    }
}

int SqlCipherConnection::WaitWhileBusy(void* connection, int tries) {
    // The engine's own timeout sleeps up to 100 ms between looks. A workstation that checks in
    // again at once holds the lock nearly all the time, and one that looks so seldom rarely
    // finds it free: it could wait seconds behind a lock held for milliseconds at a time.
    auto& since = static_cast<SqlCipherConnection*>(connection)->m_busySince;
    const auto now = std::chrono::steady_clock::now();
    if (tries == 0) {
        since = now;
    }
    if (now - since >= std::chrono::milliseconds(BusyTimeoutMs)) {
        return 0;
    }
    std::this_thread::sleep_for(BusyPoll);
    return 1;
}

void SqlCipherConnection::Close() {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqlCipherConnection::~SqlCipherConnection() {
    // Closing rolls back a transaction that a failed script left open.
    Close();
}

void SqlCipherConnection::Fail() const {
    throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)), sqlite3_extended_errcode(m_db));
}

void SqlCipherConnection::ExecuteScript(const QString& script) {
    char* error = nullptr;
    if (sqlite3_exec(m_db, script.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString description =
            error != nullptr ? QString::fromUtf8(error) : QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_free(error);
        throw DatabaseError(description, sqlite3_extended_errcode(m_db));
    }
}

void SqlCipherConnection::Execute(const QString& statement, const QVariantList& parameters) {
    Query(statement, parameters);
}

RecordSet SqlCipherConnection::Query(const QString& statement, const QVariantList& parameters,
                                     const RecordSet::FirstRows& firstRows) {
    const Statement stmt(m_db, statement);
    if (sqlite3_bind_parameter_count(stmt.Get()) != parameters.size()) {
        throw DatabaseError(QStringLiteral("The statement takes %1 values, %2 were given")
                                .arg(sqlite3_bind_parameter_count(stmt.Get()))
                                .arg(parameters.size()));
    }
    for (int i = 0; i < parameters.size(); ++i) {
        if (BindValue(stmt.Get(), i + 1, parameters.at(i)) != SQLITE_OK) {
            Fail();
        }
    }
    QStringList names;
    const int columns = sqlite3_column_count(stmt.Get());
    for (int c = 0; c < columns; ++c) {
        names.append(QString::fromUtf8(sqlite3_column_name(stmt.Get(), c)));
    }
    RecordSet records(std::move(names));
    RowReader reader(columns);
    for (;;) {
        const int rc = sqlite3_step(stmt.Get());
        if (rc == SQLITE_DONE) {
            break;
        }
        if (rc != SQLITE_ROW) {
            Fail();
        }
        reader.Read(stmt.Get(), records);
        if (firstRows && records.RecordCount() == RecordSet::FirstRowsCount) {
            firstRows(records);
        }
    }
    return records;
}
