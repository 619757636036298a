#pragma once

#include <QString>

#include <cstdint>
#include <string.h>
#include <vector>

// Byte strings of the engine. A plain vector owns its storage alone, so scrubbing it really wipes
// the only copy; buffers are sized before they are filled, so no reallocation leaves a copy behind.
using ByteArray = std::vector<std::uint8_t>;

// Wipes a buffer that held a password, a digest, or input or output data before it is released.
inline void scrubBytes(ByteArray& bytes) {
    if (!bytes.empty()) {
        explicit_bzero(bytes.data(), bytes.size());
    }
    bytes.clear();
}

// A text whose storage is shared belongs to another owner too, which wipes it in turn; wiping it
// here would only make and wipe a fresh copy.
inline void scrubText(QString& text) {
    if (!text.isEmpty() && text.isDetached()) {
        explicit_bzero(text.data(), static_cast<size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
}

// Texts cross to the algorithms as ANSI bytes, one byte a character: Latin-1 here, a character that
// Latin-1 lacks becomes "?".
inline std::uint8_t ansiCode(QChar character) {
    const char16_t unit = character.unicode();
    return unit <= 0xFF ? static_cast<std::uint8_t>(unit) : std::uint8_t{'?'};
}

inline ByteArray toAnsiBytes(const QString& text) {
    ByteArray bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (const QChar character : text) {
        bytes.push_back(ansiCode(character));
    }
    return bytes;
}

inline QString fromAnsiBytes(const std::uint8_t* data, size_t length) {
    return QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

// The platform's trimming of converted texts: trailing spaces only, nothing else.
inline qsizetype lengthWithoutTrailingSpaces(const QString& text) {
    qsizetype length = text.size();
    while (length > 0 && text.at(length - 1) == QLatin1Char(' ')) {
        --length;
    }
    return length;
}
