#include "MsgBox.h"

#include <QMessageBox>

#include <deque>

namespace {

struct Answer {
    MsgBox::Result result;
    std::function<void()> whenAsked;
};

struct Recorder {
    bool on = false;
    std::deque<Answer> answers;
    std::vector<MsgBox::Shown> shown;
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

MsgBox::Result firstButton(MsgBox::Buttons buttons) {
    switch (buttons) {
    case MsgBox::Buttons::OK:
    case MsgBox::Buttons::OKCancel:
        return MsgBox::Result::OK;
    case MsgBox::Buttons::YesNo:
    case MsgBox::Buttons::YesNoCancel:
        return MsgBox::Result::Yes;
    }
    return MsgBox::Result::OK;
}

QMessageBox::Icon qtIcon(MsgBox::Icon icon) {
    switch (icon) {
    case MsgBox::Icon::Information:
        return QMessageBox::Information;
    case MsgBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MsgBox::Icon::Critical:
        return QMessageBox::Critical;
    case MsgBox::Icon::Question:
        return QMessageBox::Question;
    case MsgBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MsgBox::Buttons buttons) {
    switch (buttons) {
    case MsgBox::Buttons::OK:
        return QMessageBox::Ok;
    case MsgBox::Buttons::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgBox::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgBox::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MsgBox::Result fromQt(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return MsgBox::Result::Yes;
    case QMessageBox::No:
        return MsgBox::Result::No;
    case QMessageBox::Cancel:
        return MsgBox::Result::Cancel;
    default:
        return MsgBox::Result::OK;
    }
}

} // namespace

MsgBox::Result MsgBox::Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                            const QString& title) {
    Recorder& r = recorder();
    if (r.on) {
        r.shown.push_back({text, title, icon, buttons});
        if (r.answers.empty()) {
            return firstButton(buttons);
        }
        const Answer answer = r.answers.front();
        r.answers.pop_front();
        if (answer.whenAsked) {
            answer.whenAsked();
        }
        return answer.result;
    }
    QMessageBox box(qtIcon(icon), title, text, qtButtons(buttons), parent);
    return fromQt(box.exec());
}

void MsgBox::Inform(QWidget* parent, const QString& text) {
    Show(parent, text, Buttons::OK, Icon::Information, QStringLiteral("Quorvane Lite"));
}

void MsgBox::StartRecording() {
    recorder() = Recorder{};
    recorder().on = true;
}

void MsgBox::StopRecording() {
    recorder() = Recorder{};
}

void MsgBox::QueueAnswer(Result answer) {
    recorder().answers.push_back({answer, {}});
}

void MsgBox::QueueAnswer(Result answer, std::function<void()> whenAsked) {
    recorder().answers.push_back({answer, std::move(whenAsked)});
}

const std::vector<MsgBox::Shown>& MsgBox::Recorded() {
    return recorder().shown;
}

void MsgBox::ClearRecorded() {
    recorder().shown.clear();
}
