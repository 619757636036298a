#include "PelloraHttpRequest.h"

#include <QList>

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace {

void EnsureCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* Handle(void* curl) {
    return static_cast<CURL*>(curl);
}

bool NeedsEscape(unsigned char byte) {
    static constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
    return byte <= 0x20 || byte >= 0x7F || kUnsafe.find(static_cast<char>(byte)) != kUnsafe.npos;
}

class HeaderList final {
    Q_DISABLE_COPY_MOVE(HeaderList)

public:
    HeaderList() = default;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const QByteArray& line) {
        curl_slist* grown = curl_slist_append(list, line.constData());
        if (grown == nullptr) {
            throw std::runtime_error("Out of memory");
        }
        list = grown;
    }
    curl_slist* list = nullptr;
};

} // namespace

bool PelloraHttpRequest::Reply::IsOk() const {
    if (statusText.isEmpty()) {
        return status == 200;
    }
    return statusText.compare(u"ok", Qt::CaseInsensitive) == 0;
}

PelloraHttpRequest::PelloraHttpRequest() {
    EnsureCurl();
    curl = curl_easy_init();
    if (curl == nullptr) {
        throw std::runtime_error("The HTTP request object could not be created");
    }
}

PelloraHttpRequest::~PelloraHttpRequest() {
    curl_easy_cleanup(Handle(curl));
}

void PelloraHttpRequest::SetTimeouts(std::chrono::milliseconds resolve,
                                     std::chrono::milliseconds connect,
                                     std::chrono::milliseconds send,
                                     std::chrono::milliseconds receive) {
    // curl has one limit for resolving and connecting, and a stall limit for the transfer.
    connectLimit = std::max(resolve, connect);
    transferLimit = std::max(send, receive);
    totalLimit = resolve + connect + send + receive;
}

void PelloraHttpRequest::SetRequestHeader(const QByteArray& name, const QByteArray& value) {
    headers.emplace_back(name, value);
}

PelloraHttpRequest::Reply PelloraHttpRequest::Get(const QString& url) {
    curl_easy_setopt(Handle(curl), CURLOPT_HTTPGET, 1L);
    return Perform(url);
}

PelloraHttpRequest::Reply PelloraHttpRequest::Post(const QString& url, const QByteArray& body) {
    curl_easy_setopt(Handle(curl), CURLOPT_POST, 1L);
    curl_easy_setopt(Handle(curl), CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(Handle(curl), CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(body.size()));
    return Perform(url);
}

QByteArray PelloraHttpRequest::EscapeUrl(const QString& url) {
    const QByteArray bytes = url.toUtf8();
    QByteArray escaped;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            escaped += '%' + QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        } else {
            escaped += c;
        }
    }
    return escaped;
}

PelloraHttpRequest::Reply PelloraHttpRequest::Perform(const QString& url) {
    CURL* handle = Handle(curl);
    const QByteArray target = EscapeUrl(url);
    HeaderList headerList;
    for (const auto& [name, value] : headers) {
        headerList.Add(name + ": " + value);
    }
    headerList.Add("Expect:"); // the body goes at once, as the server expects it
    char error[CURL_ERROR_SIZE] = {};
    Reply reply;
    curl_easy_setopt(handle, CURLOPT_URL, target.constData());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.list);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectLimit.count()));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max<long long>(1, transferLimit.count() / 1000)));
    // A server that trickles its reply still ends within the sum of the phases.
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(totalLimit.count()));
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &PelloraHttpRequest::OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &PelloraHttpRequest::OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &reply);
    const CURLcode code = curl_easy_perform(handle);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    if (code != CURLE_OK) {
        throw std::runtime_error(error[0] != '\0' ? error : curl_easy_strerror(code));
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
}

size_t PelloraHttpRequest::OnHeader(char* data, size_t size, size_t count, void* reply) {
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A new status line (after a redirect or a 100 Continue) starts the reply afresh.
        auto* target = static_cast<Reply*>(reply);
        const QList<QByteArray> parts = line.split(' ');
        target->statusText =
            parts.size() > 2 ? QString::fromLatin1(line.mid(parts[0].size() + parts[1].size() + 2))
                             : QString();
        target->body.clear();
    }
    return length;
}

size_t PelloraHttpRequest::OnBody(char* data, size_t size, size_t count, void* reply) {
    const size_t length = size * count;
    static_cast<Reply*>(reply)->body.append(data, static_cast<qsizetype>(length));
    return length;
}
