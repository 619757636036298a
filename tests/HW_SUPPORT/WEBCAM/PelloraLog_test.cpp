#include "PelloraLog.h"
#include "ctlPellora.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

QString ShortDate(const QDate& day) {
    return QLocale::system().toString(day, QLocale::ShortFormat);
}

QString FileNameOf(const QDate& day) {
    QString date = ShortDate(day);
    date.replace(u'/', u'-').replace(u'\\', u'-');
    return u"PLR_" % date % u".log";
}

// The lines of the logs of the days from `first` to `last`: a call made before midnight writes
// into one day's file, the next call into the next one.
QStringList LogLines(const QDate& first, const QDate& last) {
    const QString folder = QFileInfo(PelloraLog::FilePath()).absolutePath();
    QStringList lines;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        QFile file(folder % u'/' % FileNameOf(day));
        if (file.open(QIODevice::ReadOnly)) {
            lines += QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        }
    }
    return lines;
}

// The name is taken between two readings of the date, which differ only across midnight.
TEST(PelloraLog, FileIsNamedAfterTheShortDateWithoutSlashes) {
    const QDate before = QDate::currentDate();
    const QString name = PelloraLog::FileName();
    const QDate after = QDate::currentDate();
    EXPECT_TRUE(name == FileNameOf(before) || name == FileNameOf(after)) << name.toStdString();
    EXPECT_FALSE(name.contains(u'/'));
    EXPECT_FALSE(name.contains(u'\\'));
}

TEST(PelloraLog, FileLiesInTheLibrarysFolder) {
    const QFileInfo path(PelloraLog::FilePath());
    EXPECT_EQ(path.absolutePath(),
              QFileInfo(QStringLiteral(PELLORA_LIBRARY_DIR)).canonicalFilePath());
    EXPECT_EQ(ctlPellora::LogFilePath(), PelloraLog::FilePath());
}

TEST(PelloraLog, AppendsDateTimeColonAndMessage) {
    const QString first = u"first " % QUuid::createUuid().toString();
    const QString second = u"second " % QUuid::createUuid().toString();
    const QDate before = QDate::currentDate();
    PelloraLog::LogMessage(first);
    PelloraLog::LogMessage(second);
    const QDate after = QDate::currentDate();

    const QStringList lines = LogLines(before, after);
    const QRegularExpression format(u"^(?:" % QRegularExpression::escape(ShortDate(before)) % u'|' %
                                    QRegularExpression::escape(ShortDate(after)) %
                                    u") \\d\\d:\\d\\d:\\d\\d: (.*)$");
    qsizetype firstAt = -1;
    qsizetype secondAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = format.match(lines[i]);
        if (match.hasMatch() && match.captured(1) == first) {
            firstAt = i;
        }
        if (match.hasMatch() && match.captured(1) == second) {
            secondAt = i;
        }
    }
    ASSERT_GE(firstAt, 0) << "no line for the first message in the expected format";
    EXPECT_GT(secondAt, firstAt) << "lines are appended in order";
}

} // namespace
