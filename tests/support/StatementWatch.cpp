#include "StatementWatch.h"

#include <sqlcipher/sqlite3.h>

StatementWatch::StatementWatch(Started started, Finished finished)
    : m_started(std::move(started))
    , m_finished(std::move(finished)) {
    s_current = this;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&StatementWatch::Watch));
}

StatementWatch::~StatementWatch() {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&StatementWatch::Watch));
    s_current = nullptr;
}

QStringList StatementWatch::Statements() const {
    const std::lock_guard lock(m_mutex);
    return m_statements;
}

QStringList StatementWatch::Naming(const QString& table) const {
    return Statements().filter(u'[' + table + u']', Qt::CaseInsensitive);
}

int StatementWatch::Watch(sqlite3* db, char** /*error*/, const void* /*api*/) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_PROFILE, &StatementWatch::Trace, nullptr);
    return SQLITE_OK;
}

int StatementWatch::Trace(unsigned type, void* /*context*/, void* statement, void* /*text*/) {
    StatementWatch* watch = s_current;
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (watch == nullptr || sql == nullptr) {
        return 0;
    }
    const QString text = QString::fromUtf8(sql).trimmed();
    if (type == SQLITE_TRACE_PROFILE) {
        if (watch->m_finished) {
            watch->m_finished(text);
        }
        return 0;
    }
    {
        const std::lock_guard lock(watch->m_mutex);
        watch->m_statements.append(text);
    }
    // Outside the lock: the callback may start statements of its own.
    if (watch->m_started) {
        watch->m_started(text);
    }
    return 0;
}
