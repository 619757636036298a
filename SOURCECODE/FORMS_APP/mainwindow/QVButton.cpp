#include "QVButton.h"

#include <QFocusEvent>
#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPointer>

#include <utility>

namespace {

const QColor kSurfaceRest(0xFF, 0xFF, 0xFF);
const QColor kSurfaceFocus(0xC0, 0xC0, 0xC0);
constexpr int kFaceImageWidth = 140;
constexpr int kFaceImageHeight = 24;

// Grey level of each inner row of the face (rows 1 to 22): a glassy fade, darkest below the middle.
int InnerRowGrey(int row) {
    if (row <= 10) {
        return 253 - ((row - 1) * 11 + 4) / 9;
    }
    if (row == 11) {
        return 235;
    }
    if (row == 12) {
        return 225;
    }
    return 226 + ((row - 13) * 14 + 4) / 9;
}

// How many pixels at each end of a row are cut away for the rounded corners.
int CornerCut(int row) {
    if (row == 0 || row == kFaceImageHeight - 1) {
        return 2;
    }
    if (row == 1 || row == kFaceImageHeight - 2) {
        return 1;
    }
    return 0;
}

QImage MakeFaceImage() {
    QImage image(kFaceImageWidth, kFaceImageHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QColor border(196, 196, 196);
    const int last = kFaceImageHeight - 1;
    for (int y = 0; y < kFaceImageHeight; ++y) {
        const int cut = CornerCut(y);
        const bool edgeRow = y == 0 || y == last;
        const QColor inner =
            edgeRow ? border : QColor(InnerRowGrey(y), InnerRowGrey(y), InnerRowGrey(y));
        for (int x = cut; x < kFaceImageWidth - cut; ++x) {
            const bool edgeColumn = x == cut || x == kFaceImageWidth - 1 - cut;
            image.setPixelColor(x, y, edgeColumn ? border : inner);
        }
    }
    return image;
}

const QPixmap& FacePixmap() {
    static const QPixmap pixmap = QPixmap::fromImage(MakeFaceImage());
    return pixmap;
}

} // namespace

QVButton::QVButton(QWidget* parent)
    : QWidget(parent)
    , imgButton(new QLabel(this))
    , lblButtonText(new QLabel(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    SetSurfaceColour(kSurfaceRest);

    imgButton->setObjectName(QStringLiteral("imgButton"));
    imgButton->setPixmap(FacePixmap());
    imgButton->setScaledContents(true);
    imgButton->setCursor(Qt::PointingHandCursor);
    imgButton->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblButtonText->setObjectName(QStringLiteral("lblButtonText"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    lblButtonText->setFont(font);
    lblButtonText->setCursor(Qt::PointingHandCursor);
    lblButtonText->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblButtonText->setText(QStringLiteral("Button"));
    lblButtonText->adjustSize();

    // The surface takes the face's hand pointer as its own.
    setCursor(imgButton->cursor());
    resize(DefaultWidth, DefaultHeight);
    LayOutFace();
}

QVButton::~QVButton() = default;

QString QVButton::Caption() const {
    return lblButtonText->text();
}

void QVButton::SetCaption(const QString& caption) {
    lblButtonText->setText(caption);
    lblButtonText->adjustSize();
    CentreCaption();
    PlaceChildren();
}

bool QVButton::Enabled() const {
    return isEnabled();
}

void QVButton::SetEnabled(bool enabled) {
    lblButtonText->setEnabled(enabled);
    imgButton->setEnabled(enabled);
    setEnabled(enabled);
}

QCursor QVButton::MouseIcon() const {
    return cursor();
}

void QVButton::SetMouseIcon(const QCursor& icon) {
    setCursor(icon);
}

bool QVButton::Visible() const {
    return !imgButton->isHidden();
}

void QVButton::SetVisible(bool visible) {
    imgButton->setVisible(visible);
    lblButtonText->setVisible(visible);
}

QSize QVButton::sizeHint() const {
    return {DefaultWidth, DefaultHeight};
}

void QVButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!blnMouseDown) {
        LayOutFace();
    }
}

void QVButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // While the mouse holds the button the face keeps its size until the next resize.
    if (!blnMouseDown) {
        LayOutFace();
    }
}

void QVButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!blnMouseDown && OnFaceOrCaption(event->position().toPoint())) {
        blnMouseDown = true;
        ShowButtonDown();
    }
}

void QVButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->buttons() != Qt::NoButton) {
        return;
    }
    if (blnMouseDown) {
        ShowButtonUp();
        blnMouseDown = false;
    }
    const bool doubleClick = std::exchange(blnDoubleClick, false);
    if (!doubleClick && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        Q_EMIT Click();
    }
}

// A double-click is one click followed by a double-click notice, not a second click: the second
// press shows no pressed look and its release raises nothing.
void QVButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    blnDoubleClick = true;
}

void QVButton::keyPressEvent(QKeyEvent* event) {
    if (!IsActivationKey(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || intKeyDown != 0) {
        return;
    }
    intKeyDown = event->key();
    ShowButtonDown();
}

void QVButton::keyReleaseEvent(QKeyEvent* event) {
    if (!IsActivationKey(event->key())) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    // Only the release of the key that pressed the button counts; held keys repeat releases.
    if (event->isAutoRepeat() || event->key() != intKeyDown) {
        return;
    }
    intKeyDown = 0;
    const QPointer<QVButton> self(this);
    Q_EMIT Click();
    if (self) {
        ShowButtonUp();
    }
}

void QVButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    SetSurfaceColour(kSurfaceFocus);
}

void QVButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    SetSurfaceColour(kSurfaceRest);
    intKeyDown = 0;
    ShowButtonUp();
}

void QVButton::CentreCaption() {
    // Centred on the face's own size, as the face sits one pixel in.
    const QSize face = imgButton->size();
    const QSize text = lblButtonText->size();
    ptCaptionRest = QPoint((face.width() - text.width()) / 2, (face.height() - text.height()) / 2);
}

void QVButton::LayOutFace() {
    // The pressed look adds a pixel of height that is not part of the rest layout.
    const int restHeight = height() - (blnLookDown ? 1 : 0);
    rctImageRest = QRect(1, 1, width() - 2, restHeight - 1);
    imgButton->resize(rctImageRest.size());
    CentreCaption();
    PlaceChildren();
}

void QVButton::PlaceChildren() {
    const QPoint sink = blnLookDown ? QPoint(1, 1) : QPoint(0, 0);
    imgButton->move(rctImageRest.topLeft() + sink);
    lblButtonText->move(ptCaptionRest + sink);
}

void QVButton::ShowButtonDown() {
    if (blnLookDown) {
        return;
    }
    blnLookDown = true;
    resize(width(), height() + 1);
    PlaceChildren();
}

void QVButton::ShowButtonUp() {
    if (!blnLookDown) {
        return;
    }
    blnLookDown = false;
    resize(width(), height() - 1);
    PlaceChildren();
}

void QVButton::SetSurfaceColour(const QColor& colour) {
    QPalette surface = palette();
    surface.setColor(QPalette::Window, colour);
    setPalette(surface);
}

bool QVButton::OnFaceOrCaption(const QPoint& pos) const {
    return (imgButton->isVisible() && imgButton->geometry().contains(pos)) ||
           (lblButtonText->isVisible() && lblButtonText->geometry().contains(pos));
}

bool QVButton::IsActivationKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}
