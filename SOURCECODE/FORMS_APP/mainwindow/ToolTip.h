#pragma once

#include <QPointer>
#include <QString>

#include <vector>

class BalloonTip;
class QWidget;

// Balloon tooltips for the controls of a window, painted by the program instead of the style's
// plain tooltip. Every tooltip made is kept for the life of the program.
namespace ToolTip {

struct ToolTipEntry {
    // The balloon window; null once its window has been destroyed.
    QPointer<BalloonTip> window;
    QPointer<QWidget> control;
};

// Gives control a balloon tooltip with text, its window owned by form (the control's own window
// when form is null). The balloon shows while the mouse rests over the control and hides when
// the mouse leaves it.
void AddToolTip(QWidget* control, const QString& text, QWidget* form);

// The tooltips made so far, oldest first, and their number.
const std::vector<ToolTipEntry>& ToolTips();
int ToolTipCount();

} // namespace ToolTip
