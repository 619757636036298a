#include "XmlFile.h"

#include <QDomDocument>
#include <QFile>
#include <QXmlStreamReader>

namespace {

// A linear pass that stops at the first element nested too deep.
bool IsShallowEnough(const QByteArray& content) {
    QXmlStreamReader reader(content);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > XmlFile::MaxDepth) {
                return false;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

} // namespace

bool XmlFile::Load(const QString& path, QDomDocument& document) {
    document = QDomDocument();
    QFile file(path);
    // The size is checked before a byte is parsed.
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSize) {
        return false;
    }
    const QByteArray content = file.read(MaxSize + 1);
    if (content.size() > MaxSize || !IsShallowEnough(content) || !document.setContent(content)) {
        document = QDomDocument();
        return false;
    }
    return true;
}
