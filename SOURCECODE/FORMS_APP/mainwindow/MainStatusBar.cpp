#include "MainStatusBar.h"

#include "core/AppEnvironment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace {

// X11 modifier bits that key events carry as their native modifiers.
constexpr quint32 kLockMask = 0x02;
constexpr quint32 kNumLockMask = 0x10;

constexpr int kPanelWidths[MainStatusBar::PanelCount] = {0, 250, 50, 50, 80, 70};

} // namespace

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , tmrClock(new QTimer(this)) {
    setSizeGripEnabled(false);
    for (int index = 0; index < PanelCount; ++index) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("statusBarPanel%1").arg(index + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        if (kPanelWidths[index] > 0) {
            panel->setFixedWidth(kPanelWidths[index]);
            panel->setAlignment(Qt::AlignCenter);
        }
        addPermanentWidget(panel, index == 0 ? 1 : 0);
        pnlPanels[index] = panel;
    }
    Panel(3)->setText(QStringLiteral("CAPS"));
    Panel(4)->setText(QStringLiteral("NUM"));
    ShowLockStates(0);
    RefreshClock();
    tmrClock->setInterval(1000);
    connect(tmrClock, &QTimer::timeout, this, &MainStatusBar::RefreshClock);
    tmrClock->start();
    qApp->installEventFilter(this);
}

MainStatusBar::~MainStatusBar() {
    qApp->removeEventFilter(this);
}

QString MainStatusBar::PanelText(int panel) const {
    return Panel(panel)->text();
}

void MainStatusBar::SetPanelText(int panel, const QString& text) {
    Panel(panel)->setText(text);
}

bool MainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        ShowLockStates(static_cast<QKeyEvent*>(event)->nativeModifiers());
    }
    return QStatusBar::eventFilter(watched, event);
}

void MainStatusBar::RefreshClock() {
    const QDateTime now = AppEnvironment::Now();
    const QLocale locale = QLocale::system();
    Panel(5)->setText(locale.toString(now.date(), QLocale::ShortFormat));
    Panel(6)->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

// A lock that is off shows its name greyed out.
void MainStatusBar::ShowLockStates(quint32 nativeModifiers) {
    Panel(3)->setEnabled((nativeModifiers & kLockMask) != 0);
    Panel(4)->setEnabled((nativeModifiers & kNumLockMask) != 0);
}

QLabel* MainStatusBar::Panel(int panel) const {
    Q_ASSERT(panel >= 1 && panel <= PanelCount);
    return pnlPanels[panel - 1];
}
