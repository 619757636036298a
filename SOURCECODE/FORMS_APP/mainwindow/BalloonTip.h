#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

class QFont;
class QTimer;

// A frameless tooltip window painted by the program: a rounded body with a small pointer at its
// top-left corner, sized to its text, placed just below the mouse cursor. ToolTip::AddToolTip
// makes one per control and shows it while the mouse rests over that control.
class BalloonTip final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BalloonTip)

public:
    // The balloon's top-left corner lies this far from the cursor.
    static constexpr int CursorOffsetX = -2;
    static constexpr int CursorOffsetY = 20;
    // The balloon is this much larger than its measured text.
    static constexpr int ExtraWidth = 16;
    static constexpr int ExtraHeight = 24;

    BalloonTip(const QString& text, QWidget* parent);
    ~BalloonTip() override;

    QString Text() const;

    // Tahoma with a character cell 13 pixels high.
    static QFont BalloonFont();
    // The text's lines (CR LF, LF or CR each break a line) as they are drawn and measured.
    static QString DisplayText(const QString& text);
    // Size of the balloon for a text.
    static QSize BalloonSize(const QString& text);
    // Body and pointer of a balloon of the given size.
    static QPainterPath BalloonShape(const QSize& size);

    // Sizes the balloon to its text, places it below the cursor position and shows it without
    // taking the focus.
    void ShowAt(const QPoint& cursor);

protected:
    // Installed on the control: a mouse resting over it shows the balloon at the cursor; leaving
    // it, a click or the control going away hides the balloon.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawBalloon(QPainter& painter) const;
    void MouseRested();

    QString strText;
    // Restarted by every move over the control; its end is the mouse at rest.
    QTimer* tmrRest = nullptr;
    QPointer<QWidget> ctlWatched;
    QPoint ptRest;
};
