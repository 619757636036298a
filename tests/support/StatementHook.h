#pragma once

#include <QStringList>

#include <sqlcipher/sqlite3.h>

#include <functional>

// Another workstation that acts once, on this thread, at a chosen moment of a statement of this
// process: when one whose text begins with one of the prefixes starts running (before it takes
// any lock), or when it has finished (its locks released). Connections opened while the object
// lives are watched; the action's own statements are not.
class StatementHook final {
public:
    enum class When { Starts, Finished };

    StatementHook(When when, const QStringList& prefixes, std::function<void()> action) {
        s_when = when;
        s_prefixes = prefixes;
        s_action = std::move(action);
        s_armed = true;
        s_fired = false;
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(&StatementHook::Watch));
    }
    ~StatementHook() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&StatementHook::Watch));
        s_armed = false;
        s_action = nullptr;
    }
    Q_DISABLE_COPY_MOVE(StatementHook)

    static bool Fired() { return s_fired; }

private:
    static int Watch(sqlite3* db, char** /*error*/, const void* /*api*/) {
        sqlite3_trace_v2(db, s_when == When::Starts ? SQLITE_TRACE_STMT : SQLITE_TRACE_PROFILE,
                         &StatementHook::Traced, nullptr);
        return SQLITE_OK;
    }
    static int Traced(unsigned /*type*/, void* /*context*/, void* statement, void* /*detail*/) {
        if (!s_armed) {
            return 0;
        }
        const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
        const QString text = sql == nullptr ? QString() : QString::fromUtf8(sql);
        for (const QString& prefix : s_prefixes) {
            if (text.startsWith(prefix)) {
                s_armed = false;
                s_fired = true;
                s_action();
                break;
            }
        }
        return 0;
    }

    static inline When s_when = When::Starts;
    static inline QStringList s_prefixes;
    static inline std::function<void()> s_action;
    static inline bool s_armed = false;
    static inline bool s_fired = false;
};
