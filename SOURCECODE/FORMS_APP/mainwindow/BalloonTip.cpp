#include "BalloonTip.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QRegion>
#include <QStyle>
#include <QTimer>

namespace {

constexpr int kCellHeight = 13;
constexpr int kPointerLeft = 8;
constexpr int kPointerRight = 16;
constexpr int kPointerHeight = 8;
constexpr qreal kCornerRadius = 7.5; // a 15 x 15 corner ellipse
constexpr int kTextLeft = 8;
constexpr int kTextTop = 16;

// The stock dark grey brush.
const QColor kFrameColour(0x40, 0x40, 0x40);

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;

} // namespace

BalloonTip::BalloonTip(const QString& text, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    , strText(text) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFont(BalloonFont());
    resize(BalloonSize(strText));
    tmrRest = new QTimer(this);
    tmrRest->setSingleShot(true);
    tmrRest->setInterval(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, this));
    connect(tmrRest, &QTimer::timeout, this, &BalloonTip::MouseRested);
}

BalloonTip::~BalloonTip() = default;

QString BalloonTip::Text() const {
    return strText;
}

QFont BalloonTip::BalloonFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setWeight(QFont::Normal);
    // Drawn as the platform's plain text output: whole pixels in the two text colours.
    font.setStyleStrategy(QFont::NoAntialias);
    // The height counts the whole character cell, so the largest size whose cell fits is taken.
    int pixels = kCellHeight;
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > kCellHeight) {
        font.setPixelSize(--pixels);
    }
    return font;
}

QString BalloonTip::DisplayText(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    return lines;
}

QSize BalloonTip::BalloonSize(const QString& text) {
    const QFontMetrics metrics(BalloonFont());
    const QStringList lines = DisplayText(text).split(u'\n');
    int widest = 0;
    for (const QString& line : lines) {
        widest = qMax(widest, metrics.horizontalAdvance(line));
    }
    const int high = metrics.height() + static_cast<int>(lines.size() - 1) * metrics.lineSpacing();
    return {widest + ExtraWidth, high + ExtraHeight};
}

QPainterPath BalloonTip::BalloonShape(const QSize& size) {
    QPainterPath body;
    body.addRoundedRect(QRectF(0, kPointerHeight, size.width(), size.height() - kPointerHeight),
                        kCornerRadius, kCornerRadius);
    QPainterPath pointer;
    pointer.addPolygon(QPolygonF({QPointF(kPointerLeft, 0), QPointF(kPointerLeft, kPointerHeight),
                                  QPointF(kPointerRight, kPointerHeight)}));
    pointer.closeSubpath();
    return body.united(pointer);
}

void BalloonTip::ShowAt(const QPoint& cursor) {
    resize(BalloonSize(strText));
    move(cursor + QPoint(CursorOffsetX, CursorOffsetY));
    // Without a compositor the window itself must take the balloon's shape. The pointer's
    // one-pixel tip column keeps the shape's top at the window's top.
    setMask(QRegion(BalloonShape(size()).toFillPolygon().toPolygon()) |
            QRegion(kPointerLeft, 0, 1, kPointerHeight + 1));
    show();
    raise();
    update();
}

bool BalloonTip::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        // The mouse is still moving; it rests once no move has come for the wake-up delay.
        if (const auto* move = static_cast<QMouseEvent*>(event);
            move->buttons() == Qt::NoButton && isHidden()) {
            ctlWatched = qobject_cast<QWidget*>(watched);
            ptRest = move->globalPosition().toPoint();
            tmrRest->start();
        }
        break;
    case QEvent::ToolTip:
        // The style's own rest detection, in an active window; the plain tip must not show.
        tmrRest->stop();
        ShowAt(static_cast<QHelpEvent*>(event)->globalPos());
        return true;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        tmrRest->stop();
        hide();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// Shown whether or not the control's window is active, as a tooltip that always shows.
void BalloonTip::MouseRested() {
    if (ctlWatched != nullptr && ctlWatched->underMouse()) {
        ShowAt(ptRest);
    }
}

void BalloonTip::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    DrawBalloon(painter);
}

void BalloonTip::DrawBalloon(QPainter& painter) const {
    const QPalette& colours = palette();
    // The outline runs through the centres of the rim's pixels, so a one-pixel pen covers the rim
    // exactly and the fill reaches it without a gap.
    QPainterPath outline = BalloonShape(size() - QSize(1, 1));
    outline.translate(0.5, 0.5);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kFrameColour, 1));
    painter.setBrush(colours.color(QPalette::ToolTipBase));
    painter.drawPath(outline);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QString lines = DisplayText(strText);
    QRect textRect(kTextLeft, kTextTop, width() - 2 * kTextLeft, height() - kTextTop - 8);
    painter.setFont(font());
    painter.setPen(colours.color(QPalette::Light));
    painter.drawText(textRect, kTextFlags, lines);
    // Again one pixel up and to the left, so the light copy shows as a highlight.
    textRect.translate(-1, -1);
    painter.setPen(colours.color(QPalette::ToolTipText));
    painter.drawText(textRect, kTextFlags, lines);
}
