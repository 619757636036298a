#pragma once

#include "PelloraExport.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <stdexcept>
#include <utility>
#include <vector>

// One synchronous HTTP request over libcurl. Every phase has its limit, so no request waits for
// ever. Transfer failures throw std::runtime_error with curl's description.
class PELLORA_EXPORT PelloraHttpRequest final {
    Q_DISABLE_COPY_MOVE(PelloraHttpRequest)

public:
    struct Reply {
        long status = 0;
        QString statusText; // the reason phrase; empty where the protocol has none
        QByteArray body;

        // "OK" in any case, or 200 from a protocol without reason phrases.
        bool IsOk() const;
    };

    static constexpr std::chrono::seconds kDefaultLimit{60};

    PelloraHttpRequest();
    ~PelloraHttpRequest();

    // Limits for name resolution, connecting, sending and receiving.
    void SetTimeouts(std::chrono::milliseconds resolve, std::chrono::milliseconds connect,
                     std::chrono::milliseconds send, std::chrono::milliseconds receive);
    void SetRequestHeader(const QByteArray& name, const QByteArray& value);

    Reply Get(const QString& url);
    Reply Post(const QString& url, const QByteArray& body);

    // The URL as curl takes it: UTF-8, with bytes that cannot stand in a URL percent-encoded and
    // everything else (reserved characters included) left as given.
    static QByteArray EscapeUrl(const QString& url);

private:
    Reply Perform(const QString& url);
    static size_t OnHeader(char* data, size_t size, size_t count, void* reply);
    static size_t OnBody(char* data, size_t size, size_t count, void* reply);

    void* curl = nullptr;
    std::vector<std::pair<QByteArray, QByteArray>> headers;
    std::chrono::milliseconds connectLimit{kDefaultLimit};
    std::chrono::milliseconds transferLimit{kDefaultLimit};
    std::chrono::milliseconds totalLimit{4 * kDefaultLimit};
};
