#include "SqlcipherShell.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace SqlcipherShell {

QString Run(const QString& file, const QString& key, const QString& script) {
    QProcess shell;
    shell.start(QStringLiteral("sqlcipher"), {file});
    if (!shell.waitForStarted(-1)) {
        ADD_FAILURE() << "the sqlcipher shell cannot be started";
        return {};
    }
    shell.write((QStringLiteral("PRAGMA key = '") + key + QStringLiteral("';\n") + script + u'\n')
                    .toUtf8());
    shell.closeWriteChannel();
    EXPECT_TRUE(shell.waitForFinished(-1));
    const QString errors = QString::fromUtf8(shell.readAllStandardError());
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    EXPECT_EQ(shell.exitCode(), 0);
    return QString::fromUtf8(shell.readAllStandardOutput());
}

QStringList Lines(const QString& file, const QString& key, const QString& script) {
    return Run(file, key, script).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace SqlcipherShell
