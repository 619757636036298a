#pragma once

#include "PelloraExport.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The multipart form that carries stills to the image server: fields "upload1" ... "uploadN".
class PELLORA_EXPORT PelloraMultipartBody final {
public:
    struct File {
        QString name;
        QByteArray bytes;
    };

    static constexpr char kBoundary[] = "Xu02=$";

    PelloraMultipartBody() = delete;

    // The value of the Content-Type header that goes with the body.
    static QByteArray ContentType();
    // File names go as Latin-1 (a character above U+00FF becomes "?"); file bytes pass unchanged.
    static QByteArray Build(const std::vector<File>& files);
};
