#pragma once

#include <QLabel>

// A label that acts on a click, as the window's text links do.
class LinkLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LinkLabel)

public:
    explicit LinkLabel(const QString& caption, QWidget* parent = nullptr);
    ~LinkLabel() override;

Q_SIGNALS:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool blnPressed = false;
};
