#include "ToolTip.h"

#include "BalloonTip.h"

#include <QWidget>

namespace ToolTip {

namespace {

// User-interface thread only.
std::vector<ToolTipEntry>& arToolTips() {
    static std::vector<ToolTipEntry> entries;
    return entries;
}

} // namespace

void AddToolTip(QWidget* control, const QString& text, QWidget* form) {
    QWidget* owner = form != nullptr ? form : control->window();
    auto* balloon = new BalloonTip(text, owner);
    balloon->setObjectName(control->objectName() + QStringLiteral("ToolTip"));
    // The style's own tooltip would show beside the balloon.
    control->setToolTip(QString());
    // The balloon watches the mouse over the control itself, in an active window or not.
    control->setMouseTracking(true);
    control->installEventFilter(balloon);
    arToolTips().push_back({balloon, control});
}

const std::vector<ToolTipEntry>& ToolTips() {
    return arToolTips();
}

int ToolTipCount() {
    return static_cast<int>(arToolTips().size());
}

} // namespace ToolTip
