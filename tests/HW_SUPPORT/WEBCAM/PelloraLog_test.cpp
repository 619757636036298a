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

QStringList LogLines() {
    QFile file(PelloraLog::FilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

TEST(PelloraLog, FileIsNamedAfterTheShortDateWithoutSlashes) {
    QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    date.replace(u'/', u'-').replace(u'\\', u'-');
    EXPECT_EQ(PelloraLog::FileName(), u"PLR_" % date % u".log");
    EXPECT_FALSE(PelloraLog::FileName().contains(u'/'));
    EXPECT_FALSE(PelloraLog::FileName().contains(u'\\'));
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
    PelloraLog::LogMessage(first);
    PelloraLog::LogMessage(second);

    const QStringList lines = LogLines();
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QRegularExpression format(u"^" % QRegularExpression::escape(today) %
                                    u" \\d\\d:\\d\\d:\\d\\d: (.*)$");
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
