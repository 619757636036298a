// The status-bar ticker and the daily advertisement rotation.
#include "frmMain.h"

#include "MainStatusBar.h"
#include "VisitorListModel.h"
#include "core/AppEnvironment.h"

#include <QLabel>
#include <QSettings>

#include <memory>

namespace {

const QString kDayFormat = QStringLiteral("dd-MM-yyyy");

// Whole minutes between two times as a clock shows them: every minute boundary passed counts,
// the seconds do not.
qint64 MinuteBoundaries(const QDateTime& from, const QDateTime& to) {
    const auto toMinute = [](QDateTime time) {
        time.setTime(QTime(time.time().hour(), time.time().minute()));
        return time;
    };
    return toMinute(from).secsTo(toMinute(to)) / 60;
}

} // namespace

void frmMain::tmrScroller_Timer() {
    statusBar->SetPanelText(2, GetNextStatusText());
}

// The product address, the login time and how long the window has been open, in turn.
QString frmMain::GetNextStatusText() {
    ++intStatusTextIndex;
    if (intStatusTextIndex < 1 || intStatusTextIndex > 3) {
        intStatusTextIndex = 1;
    }
    switch (intStatusTextIndex) {
    case 1:
        return QStringLiteral("Visit us at ") + strProductURL;
    case 2:
        return QStringLiteral("Login Time: ") + strLoginTime;
    default:
        return QStringLiteral("Login Duration: ") + GetLoginDuration();
    }
}

// "<hours>h <minutes>m"; a login time that cannot be read back counts as no time at all.
QString frmMain::GetLoginDuration() const {
    const QDateTime login = VisitorListModel::ParseListDate(strLoginTime);
    const qint64 minutes = login.isValid() ? MinuteBoundaries(login, AppEnvironment::Now()) : 0;
    return QString::number(minutes / 60) + QStringLiteral("h ") + QString::number(minutes % 60) +
           u'm';
}

// Moves on to the next picture once per calendar day, remembering the place per user. Only an
// unequal day counts, so a clock set back also moves on. The place is a 16-bit number: a stored
// value beyond that range counts as no number, so a hand-edited one can never overflow.
void frmMain::RotateAdvertisement() {
    std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    bool isNumber = false;
    const short stored = settings->value(QStringLiteral("AdRotNo"), QStringLiteral("1"))
                             .toString()
                             .toShort(&isNumber);
    if (isNumber) {
        intAdNo = stored;
    }
    const QString lastDay = settings->value(QStringLiteral("AdRotDate"), QString()).toString();
    const QString today = AppEnvironment::Now().date().toString(kDayFormat);
    if (today != lastDay) {
        ++intAdNo;
        settings->setValue(QStringLiteral("AdRotDate"), today);
    }
    if (intAdNo > intAdCount) {
        intAdNo = 1;
    }
    if (intAdNo >= 1 && intAdNo <= 5) {
        QLabel* picture = picAd[intAdNo - 1];
        picture->show();
        // To the front of the pictures, which all lie under the details page.
        picture->stackUnder(fraMain);
    }
    settings->setValue(QStringLiteral("AdRotNo"), QString::number(intAdNo));
}
