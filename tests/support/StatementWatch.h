#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

struct sqlite3;

// Sees every statement that the connections opened while it lives start, in this process: the
// texts are kept, and callbacks, when given, run as each one starts, before it takes any lock,
// and once it has finished, its locks released.
class StatementWatch final {
public:
    using Started = std::function<void(const QString& statement)>;
    using Finished = Started;

    explicit StatementWatch(Started started = {}, Finished finished = {});
    ~StatementWatch();
    Q_DISABLE_COPY_MOVE(StatementWatch)

    QStringList Statements() const;
    // The statements that name the table, as [Table].
    QStringList Naming(const QString& table) const;

private:
    static int Watch(sqlite3* db, char** error, const void* api);
    static int Trace(unsigned type, void* context, void* statement, void* text);

    static inline StatementWatch* s_current = nullptr;
    Started m_started;
    Finished m_finished;
    mutable std::mutex m_mutex;
    QStringList m_statements;
};
