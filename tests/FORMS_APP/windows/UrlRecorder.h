#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Takes every link, mail link and file the program hands to the desktop while it lives, instead of
// opening it. An empty target arrives as an empty URL.
class UrlRecorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UrlRecorder)

public:
    UrlRecorder();
    ~UrlRecorder() override;

    const QList<QUrl>& Opened() const { return m_opened; }
    void Clear() { m_opened.clear(); }

public Q_SLOTS:
    void Open(const QUrl& url);

private:
    QList<QUrl> m_opened;
};
