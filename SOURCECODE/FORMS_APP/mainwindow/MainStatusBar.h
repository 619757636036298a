#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

// The main window's status bar with its six panels, numbered from 1: the hint line, the ticker,
// Caps Lock, Num Lock, the date and the time. Panels 3 to 6 keep themselves up to date.
class MainStatusBar final : public QStatusBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainStatusBar)

public:
    static constexpr int PanelCount = 6;

    explicit MainStatusBar(QWidget* parent = nullptr);
    ~MainStatusBar() override;

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RefreshClock();
    void ShowLockStates(quint32 nativeModifiers);
    QLabel* Panel(int panel) const;

    QLabel* pnlPanels[PanelCount] = {};
    QTimer* tmrClock = nullptr;
};
