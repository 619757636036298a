#pragma once

#include "ctlPellora.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

// Small readers over the control's children and files, shared by the control's tests.
namespace pellora_test {

// The lines of every day's log of the control, so that a count taken before midnight and one
// taken after it see the same lines.
inline QStringList LogLines() {
    const QDir folder = QFileInfo(ctlPellora::LogFilePath()).absoluteDir();
    QStringList lines;
    for (const QString& name : folder.entryList({QStringLiteral("PLR_*.log")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            lines += QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        }
    }
    return lines;
}

// Lines of the control's log that end with `text`.
inline qsizetype CountLogLinesEndingWith(const QString& text) {
    qsizetype count = 0;
    for (const QString& line : LogLines()) {
        count += line.endsWith(text) ? 1 : 0;
    }
    return count;
}

// Runs the event loop until `condition` holds; false when it did not within `limit`, which
// leaves a loaded machine ample time (a pass does not wait for it).
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(120)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QTest::qWait(20);
    }
    return true;
}

inline QString TempPath(const QString& name) {
    return QDir::tempPath() % u'/' % name;
}

inline QStringList Entries(const ctlPellora& control) {
    const auto* list = control.findChild<QListWidget*>(QStringLiteral("lstDevices"));
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->item(i)->text();
    }
    return entries;
}

inline QListWidget* DeviceList(const ctlPellora& control) {
    return control.findChild<QListWidget*>(QStringLiteral("lstDevices"));
}

inline QLabel* Picture(const ctlPellora& control, const char* name) {
    return control.findChild<QLabel*>(QString::fromLatin1(name));
}

inline QWidget* CaptureWindow(const ctlPellora& control) {
    return control.findChild<QWidget*>(QStringLiteral("capWindow"));
}

// Which children RefreshView left shown, as "picVideo,imgDisplay,lstDevices,fraButtons" flags.
inline QString ShownChildren(const ctlPellora& control) {
    QStringList shown;
    for (const char* name : {"picVideo", "imgDisplay", "lstDevices", "fraButtons"}) {
        const auto* child = control.findChild<QWidget*>(QString::fromLatin1(name));
        if (child != nullptr && !child->isHidden()) {
            shown << QString::fromLatin1(name);
        }
    }
    return shown.join(u',');
}

} // namespace pellora_test
