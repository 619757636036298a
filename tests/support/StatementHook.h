#pragma once

#include "StatementWatch.h"

#include <QStringList>

#include <functional>

// Another workstation that acts once, on this thread, at a chosen moment of a statement of this
// process: when one whose text begins with one of the prefixes starts running (before it takes
// any lock), or when it has finished (its locks released). Connections opened while the object
// lives are watched; the action's own statements are not.
class StatementHook final {
public:
    enum class When { Starts, Finished };

    StatementHook(When when, const QStringList& prefixes, std::function<void()> action)
        : m_prefixes(prefixes)
        , m_action(std::move(action))
        , m_watch(when == When::Starts ? Callback() : StatementWatch::Started(),
                  when == When::Finished ? Callback() : StatementWatch::Finished()) {
        s_fired = false;
    }
    Q_DISABLE_COPY_MOVE(StatementHook)

    static bool Fired() { return s_fired; }

private:
    StatementWatch::Started Callback() {
        return [this](const QString& statement) {
            if (s_fired) {
                return;
            }
            for (const QString& prefix : m_prefixes) {
                if (statement.startsWith(prefix)) {
                    s_fired = true;
                    m_action();
                    return;
                }
            }
        };
    }

    static inline bool s_fired = false;
    QStringList m_prefixes;
    std::function<void()> m_action;
    StatementWatch m_watch;
};
