#include "FileDialog.h"

#include <QFileDialog>

#include <deque>
#include <utility>

namespace {

struct Recorder {
    bool on = false;
    std::deque<std::optional<QString>> answers;
    std::vector<FileDialog::Request> requests;
};

Recorder& recorder() {
    static Recorder instance;
    return instance;
}

} // namespace

std::optional<QString> FileDialog::Choose(QWidget* parent, const Request& request) {
    Recorder& r = recorder();
    if (r.on) {
        r.requests.push_back(request);
        if (r.answers.empty()) {
            return std::nullopt;
        }
        // Moved out as a plain string: copying the optional trips a false maybe-uninitialized
        // warning at -O3.
        if (!r.answers.front()) {
            r.answers.pop_front();
            return std::nullopt;
        }
        QString answer = std::move(*r.answers.front());
        r.answers.pop_front();
        return answer;
    }
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(request.mode == Mode::Save ? QFileDialog::AcceptSave
                                                    : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == Mode::Save ? QFileDialog::AnyFile
                                                  : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void FileDialog::StartRecording() {
    recorder() = Recorder{};
    recorder().on = true;
}

void FileDialog::StopRecording() {
    recorder() = Recorder{};
}

void FileDialog::QueueAnswer(const std::optional<QString>& answer) {
    recorder().answers.push_back(answer);
}

const std::vector<FileDialog::Request>& FileDialog::Recorded() {
    return recorder().requests;
}
