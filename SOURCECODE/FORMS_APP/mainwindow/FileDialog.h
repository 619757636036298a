#pragma once

#include <QString>

#include <optional>
#include <vector>

class QWidget;

// The one way the program asks for a file. Tests switch on recording: then no dialog is shown,
// every request is kept for reading back and answered from a queue (a path or a cancel).
class FileDialog final {
public:
    enum class Mode { Open, Save };

    struct Request {
        Mode mode = Mode::Open;
        QString title;
        // Qt's form: "Name (*.ext);;Other (*.*)".
        QString filter;
        // Added by a save dialog to a name typed without extension.
        QString defaultSuffix;
    };

    FileDialog() = delete;

    // The chosen file's full path, or nothing when the dialog was cancelled.
    static std::optional<QString> Choose(QWidget* parent, const Request& request);

    // Test seam. While recording, an unanswered request is cancelled.
    static void StartRecording();
    static void StopRecording();
    static void QueueAnswer(const std::optional<QString>& answer);
    static const std::vector<Request>& Recorded();
};
