#include "TextBuffer.h"

#include "CryptBytes.h"

namespace {
constexpr qsizetype kInitialCapacity = 90000;
constexpr qsizetype kGrowth = 10000;
} // namespace

TextBuffer::TextBuffer() {
    m_buffer.reserve(kInitialCapacity);
}

TextBuffer::~TextBuffer() {
    scrubText(m_buffer);
}

void TextBuffer::Append(QStringView piece) {
    EnsureRoom(piece.size());
    m_buffer.append(piece);
}

void TextBuffer::Append(QChar character) {
    EnsureRoom(1);
    m_buffer.append(character);
}

QString TextBuffer::TakeTrimmed() const {
    return QString(m_buffer.constData(), lengthWithoutTrailingSpaces(m_buffer));
}

QString TextBuffer::Take() const {
    return QString(m_buffer.constData(), m_buffer.size());
}

void TextBuffer::EnsureRoom(qsizetype pieceLength) {
    qsizetype capacity = m_buffer.capacity();
    if (m_buffer.size() + pieceLength < capacity) {
        return;
    }
    while (m_buffer.size() + pieceLength >= capacity) {
        capacity += kGrowth;
    }
    QString grown;
    grown.reserve(capacity);
    grown.append(m_buffer);
    scrubText(m_buffer);
    m_buffer.swap(grown);
}
