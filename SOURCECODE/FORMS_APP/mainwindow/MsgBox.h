#pragma once

#include <QString>

#include <functional>

#include <vector>

class QWidget;

// The one way the program shows a message box. Tests switch on recording: then nothing is shown,
// every box is kept for reading back and answered from a queue.
class MsgBox final {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { OK, OKCancel, YesNo, YesNoCancel };
    enum class Result { OK, Cancel, Yes, No };

    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };

    MsgBox() = delete;

    static Result Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                       const QString& title);
    // The common case: an information box with OK, titled "Quorvane Lite".
    static void Inform(QWidget* parent, const QString& text);

    // Test seam. While recording, an unanswered box takes its first button (OK or Yes).
    static void StartRecording();
    static void StopRecording();
    static void QueueAnswer(Result answer);
    // As QueueAnswer; whenAsked runs as the box that takes the answer is shown, before the
    // program reads the answer.
    static void QueueAnswer(Result answer, std::function<void()> whenAsked);
    static const std::vector<Shown>& Recorded();
    static void ClearRecorded();
};
