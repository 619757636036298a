#include "PelloraMultipartBody.h"

namespace {

constexpr char kCrLf[] = "\r\n";

QByteArray FilePart(int number, const PelloraMultipartBody::File& file) {
    QByteArray part;
    part += kCrLf;
    part += "Content-Disposition: form-data; name=\"upload" + QByteArray::number(number) +
            "\"; filename=\"" + file.name.toLatin1() + "\" ";
    part += kCrLf;
    part += "Content-type: file";
    part += kCrLf;
    part += kCrLf;
    part += file.bytes;
    part += kCrLf;
    return part;
}

} // namespace

QByteArray PelloraMultipartBody::ContentType() {
    return QByteArray("multipart/form-data; boundary=") + kBoundary;
}

QByteArray PelloraMultipartBody::Build(const std::vector<File>& files) {
    const QByteArray boundary = QByteArray("--") + kBoundary;
    QByteArray body = boundary;
    for (size_t k = 0; k < files.size(); ++k) {
        if (k > 0) {
            body += boundary;
        }
        body += FilePart(static_cast<int>(k + 1), files[k]);
    }
    body += boundary + "--";
    return body;
}
