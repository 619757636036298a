#pragma once

#include <QString>

class QDomDocument;

// Reads the program's small XML files (configuration, tokens). The installation's files are a
// few kilobytes and three elements deep; anything far larger or deeper is no file of ours, and
// building a tree of it takes minutes or overflows the stack, so it counts as unreadable.
class XmlFile final {
public:
    XmlFile() = delete;

    static constexpr qint64 MaxSize = 1024 * 1024;
    static constexpr int MaxDepth = 64;

    // False, leaving the document empty, when the file is missing, unreadable, larger than
    // MaxSize, nested deeper than MaxDepth or no XML.
    static bool Load(const QString& path, QDomDocument& document);
};
