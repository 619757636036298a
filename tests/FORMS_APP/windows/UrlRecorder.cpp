#include "UrlRecorder.h"

#include <QDesktopServices>
#include <QString>

namespace {

const char* const kSchemes[] = {"", "file", "http", "https", "mailto"};

} // namespace

UrlRecorder::UrlRecorder() {
    for (const char* scheme : kSchemes) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
}

UrlRecorder::~UrlRecorder() {
    for (const char* scheme : kSchemes) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

void UrlRecorder::Open(const QUrl& url) {
    m_opened.append(url);
}
