#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// Gives one run of a test process a home of its own: an empty folder made inside the home the
// test command names, holding the per-user settings, the runtime folder and the temporary
// folder, and removed when the run ends. Nothing an earlier run left behind (settings, stills,
// lock files) is seen by this one. Processes the run starts share its home. The cache folder is
// kept across runs: what it holds is only ever rebuilt, never read as a result.
// Made before the application object, which reads these folders.
class FreshTestHome final {
public:
    FreshTestHome() {
        if (qEnvironmentVariableIsSet(Marker) || !qEnvironmentVariableIsSet("HOME")) {
            return;
        }
        m_home.emplace(qEnvironmentVariable("HOME") + QStringLiteral("/run-XXXXXX"));
        if (!m_home->isValid()) {
            m_home.reset();
            return;
        }
        const QString home = m_home->path();
        for (const char* folder : {".config", "runtime", "tmp"}) {
            QDir(home).mkdir(QString::fromLatin1(folder));
        }
        // The runtime folder is the user's alone, as the session manager makes it.
        QFile::setPermissions(home + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Set("HOME", home);
        Set("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
        Set("XDG_RUNTIME_DIR", home + QStringLiteral("/runtime"));
        Set("TMPDIR", home + QStringLiteral("/tmp"));
        Set(Marker, home);
    }
    Q_DISABLE_COPY_MOVE(FreshTestHome)

private:
    static constexpr const char* Marker = "QUORVANE_TEST_RUN_HOME";

    static void Set(const char* name, const QString& value) {
        qputenv(name, QFile::encodeName(value));
    }

    std::optional<QTemporaryDir> m_home;
};
