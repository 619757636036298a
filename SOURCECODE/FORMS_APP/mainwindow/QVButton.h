#pragma once

#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;

// The push button of every window: a light-grey face with a centred caption on a plain surface
// that turns silver with the focus. Hosts react only to Click. To hide a button as a whole, hosts
// use QWidget's own visibility; SetVisible hides only the face and caption.
class QVButton final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QVButton)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QCursor MouseIcon READ MouseIcon WRITE SetMouseIcon)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    // Design size of a button, in pixels.
    static constexpr int DefaultWidth = 103;
    static constexpr int DefaultHeight = 26;

    explicit QVButton(QWidget* parent = nullptr);
    ~QVButton() override;

    QString Caption() const;
    void SetCaption(const QString& caption);

    bool Enabled() const;
    void SetEnabled(bool enabled);

    QCursor MouseIcon() const;
    void SetMouseIcon(const QCursor& icon);

    bool Visible() const;
    void SetVisible(bool visible);

    QSize sizeHint() const override;

Q_SIGNALS:
    void Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void CentreCaption();
    void LayOutFace();
    void PlaceChildren();
    void ShowButtonDown();
    void ShowButtonUp();
    void SetSurfaceColour(const QColor& colour);
    bool OnFaceOrCaption(const QPoint& pos) const;
    static bool IsActivationKey(int key);

    QLabel* imgButton;
    QLabel* lblButtonText;

    // Rest places of face and caption; the pressed look sinks both by one pixel.
    QRect rctImageRest;
    QPoint ptCaptionRest;

    bool blnMouseDown = false;
    // The press under way is the second half of a double-click, which raises no Click of its own.
    bool blnDoubleClick = false;
    // The pressed look is showing (by mouse or key); it is applied and removed once each.
    bool blnLookDown = false;
    // Key that showed the pressed look; its release raises Click.
    int intKeyDown = 0;
};
