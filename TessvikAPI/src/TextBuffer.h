#pragma once

#include <QString>
#include <QStringView>

// The result buffer of the conversions: reserved once up front and written piece by piece, so a
// result never grows by repeated concatenation. Grown storage and the buffer itself are wiped.
class TextBuffer final {
public:
    TextBuffer();
    ~TextBuffer();
    Q_DISABLE_COPY_MOVE(TextBuffer)

    void Append(QStringView piece);
    void Append(QChar character);

    // The text written so far without its trailing spaces.
    QString TakeTrimmed() const;
    // The text written so far, every character kept.
    QString Take() const;

private:
    void EnsureRoom(qsizetype pieceLength);

    QString m_buffer;
};
