#include "CryptAPI.h"

#include "CryptAlgorithms.h"
#include "CryptError.h"
#include "TextBuffer.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <ctime>

using namespace CryptAlgorithms;

namespace {
// The built-in default password, placed one character at a time so it never stands in the
// binary as one string.
constexpr std::array<char, 40> kDefaultPasswordCharacters = {
    '1', '?', '!', 'J', 'f', 'P', '6', 'q', 'r', '>', '2', 'H', 'V', 'z',
    'o', '>', 'Z', 'H', '2', 'V', 'v', 'F', 'n', 'p', '+', 'B', 'A', '@',
    '<', '@', '_', '7', '4', 'R', '9', 'D', 'w', '_', 'd', 'D'};

constexpr const char* kSubscriptOutOfRange = "Subscript out of range";

const char16_t* const kHexDigits = u"0123456789ABCDEF";

// The array's data is elements 0 to UBound-1; an array without elements cannot be read.
size_t dataLength(const ByteArray& array) {
    if (array.empty()) {
        throw CryptError(kSubscriptOutOfRange);
    }
    return array.size() - 1;
}

void appendHexByte(TextBuffer& buffer, std::uint8_t byte) {
    const std::array<char16_t, 2> digits = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
    buffer.Append(QStringView(digits.data(), 2));
}

int hexDigitValue(QChar character) {
    const char16_t unit = character.unicode();
    if (unit >= u'0' && unit <= u'9') {
        return unit - u'0';
    }
    if (unit >= u'A' && unit <= u'F') {
        return unit - u'A' + 10;
    }
    if (unit >= u'a' && unit <= u'f') {
        return unit - u'a' + 10;
    }
    return -1;
}

// A pair read as a hexadecimal number: the value of its leading hex digits, 0 when none.
int hexPairValue(QChar first, QChar second) {
    const int high = hexDigitValue(first);
    if (high < 0) {
        return 0;
    }
    const int low = hexDigitValue(second);
    return low < 0 ? high : high * 16 + low;
}

ByteArray lenPlusOneArray(const std::uint8_t* data, size_t length) {
    ByteArray array(length + 1, 0);
    std::copy(data, data + length, array.begin());
    return array;
}
} // namespace

CryptAPI::CryptAPI()
    : m_Password(1, 0) {}

CryptAPI::~CryptAPI() {
    ReleaseContext();
    scrubText(m_InputData);
    scrubBytes(m_OutputData);
    scrubBytes(m_Password);
}

void CryptAPI::setInputData(const ByteArray& arInData) {
    const size_t length = dataLength(arInData);
    scrubText(m_InputData);
    m_InputData = fromAnsiBytes(arInData.data(), length);
}

QString CryptAPI::ByteArrayToString(const ByteArray& arByte) const {
    const size_t length = dataLength(arByte);
    TextBuffer buffer;
    for (size_t i = 0; i < length; ++i) {
        buffer.Append(QChar(static_cast<char16_t>(arByte[i])));
    }
    return buffer.TakeTrimmed();
}

QString CryptAPI::ConvertByteToHex(const ByteArray& abytData) const {
    const size_t length = dataLength(abytData);
    TextBuffer buffer;
    for (size_t i = 0; i < length; ++i) {
        appendHexByte(buffer, abytData[i]);
    }
    return buffer.TakeTrimmed();
}

// Every decoded byte is kept, trailing 0x20 included: the text is ciphertext, not a value to tidy.
QString CryptAPI::ConvertStringFromHex(const QString& strHex) const {
    if (strHex.size() % 2 != 0) {
        return QString();
    }
    TextBuffer buffer;
    for (qsizetype i = 0; i < strHex.size(); i += 2) {
        buffer.Append(QChar(static_cast<char16_t>(hexPairValue(strHex.at(i), strHex.at(i + 1)))));
    }
    return buffer.Take();
}

// The digits are upper-case whatever blnRetUppercase says, as the platform's hex conversion
// writes them that way.
QString CryptAPI::ConvertStringToHex(const QString& strInput, bool blnRetUppercase) const {
    static_cast<void>(blnRetUppercase);
    TextBuffer buffer;
    for (const QChar character : strInput) {
        appendHexByte(buffer, ansiCode(character));
    }
    return buffer.TakeTrimmed();
}

QString CryptAPI::CreateHash(const QString& strInText, qint16 intHashChoice, bool blnConvertToHex,
                             bool blnAppendPassword, bool blnCaseSensitive) {
    if (!m_lngCryptProv && !AcquireContext()) {
        return QString();
    }
    QString password;
    if (blnAppendPassword) {
        if (m_Password.size() >= 2) {
            password = ByteArrayToString(m_Password);
        } else {
            ByteArray fallback = GetDefaultPassword();
            password = ByteArrayToString(fallback);
            scrubBytes(fallback);
        }
    }
    const HashAlgorithm algorithm = GetHashAlgorithm(intHashChoice);
    auto hash = m_lngCryptProv->CreateHash(algorithm.algorithm);
    if (!hash) {
        scrubText(password);
        return QString();
    }
    ByteArray bytes = toAnsiBytes(strInText);
    ByteArray passwordBytes = toAnsiBytes(password);
    hash->HashData(bytes);
    hash->HashData(passwordBytes);
    ByteArray digestBytes = hash->Value();
    digestBytes.resize(algorithm.digestLength);
    QString digest = fromAnsiBytes(digestBytes.data(), digestBytes.size());
    QString result = blnConvertToHex ? ConvertStringToHex(digest, !blnCaseSensitive) : digest;
    result.truncate(lengthWithoutTrailingSpaces(result));
    QString answer(result.constData(), result.size());
    scrubBytes(bytes);
    scrubBytes(passwordBytes);
    scrubBytes(digestBytes);
    scrubText(password);
    scrubText(digest);
    scrubText(result);
    return answer;
}

bool CryptAPI::Decrypt(qint16 intHashType, qint16 intCipherType) {
    return DecryptData(intHashType, intCipherType);
}

bool CryptAPI::Encrypt(qint16 intHashType, qint16 intCipherType) {
    return EncryptData(intHashType, intCipherType);
}

ByteArray CryptAPI::StringToByteArray(const QVariant& varInput) const {
    QString text = varInput.toString();
    ByteArray bytes = toAnsiBytes(text);
    ByteArray array = lenPlusOneArray(bytes.data(), bytes.size());
    scrubBytes(bytes);
    scrubText(text);
    return array;
}

QString CryptAPI::GetRandomData(int length, bool truncate, bool hex) {
    if (length < 0) {
        return QString();
    }
    if (!m_lngCryptProv && !AcquireContext()) {
        ReleaseContext();
        return QString();
    }
    QString seed = QString::number(NowWithTicks(), 'g', 15) + GetRandomText(40, true);
    QString digest = CreateHash(seed, 4, false, false, true);
    scrubText(seed);
    // The rest of the buffer after the random bytes keeps the digest and the padding, as the
    // provider reads its whole buffer as additional seed.
    ByteArray buffer(static_cast<size_t>(digest.size()) + static_cast<size_t>(length), ' ');
    for (qsizetype i = 0; i < digest.size(); ++i) {
        buffer[static_cast<size_t>(i)] = ansiCode(digest.at(i));
    }
    scrubText(digest);
    if (!m_lngCryptProv->GenRandom(buffer.data(), static_cast<size_t>(length))) {
        scrubBytes(buffer);
        return QString();
    }
    QString text = fromAnsiBytes(buffer.data(), buffer.size());
    scrubBytes(buffer);
    text.truncate(lengthWithoutTrailingSpaces(text));
    if (hex) {
        QString hexText = ConvertStringToHex(text, true);
        scrubText(text);
        text.swap(hexText);
    }
    if (truncate) {
        text.truncate(length);
    } else {
        text.truncate(lengthWithoutTrailingSpaces(text));
    }
    return text;
}

QString CryptAPI::GetRandomText(int length, bool alphanumeric) {
    if (!alphanumeric) {
        return GetRandomData(length, true, false);
    }
    QString text;
    text.reserve(std::max(length, 0));
    for (int i = 0; i < length; ++i) {
        int code = static_cast<int>(GetRandomNumber(48, 122));
        if ((code >= 58 && code <= 64) || (code >= 91 && code <= 96)) {
            code += 9;
        }
        text.append(QChar(static_cast<char16_t>(code)));
    }
    return text;
}

bool CryptAPI::DecryptData(qint16 intHashChoice, qint16 intCipherChoice) {
    return RunCipher(intHashChoice, intCipherChoice, false);
}

bool CryptAPI::EncryptData(qint16 intHashChoice, qint16 intCipherChoice) {
    return RunCipher(intHashChoice, intCipherChoice, true);
}

CryptAPI::HashAlgorithm CryptAPI::GetHashAlgorithm(qint16 intHashChoice) const {
    switch (intHashChoice) {
    case 1:
        return {16, CALG_MD5};
    case 2:
        return {16, CALG_MD4};
    case 3:
        return {16, CALG_MD2};
    case 4:
        return {20, CALG_SHA1};
    default:
        return {0, 0};
    }
}

std::uint32_t CryptAPI::GetCipherAlgorithm(qint16 intCipherChoice) const {
    switch (intCipherChoice) {
    case 1:
        return CALG_RC4;
    case 2:
        return CALG_RC2;
    case 3:
        return CALG_DES;
    case 4:
        return m_EnhancedProvider ? CALG_3DES : 0;
    case 5:
        return m_EnhancedProvider ? CALG_3DES_112 : 0;
    default:
        return 0;
    }
}

float CryptAPI::GetRandomNumber(float low, float high) {
    // The time is mixed into the generator's state rather than replacing it, so calls within the
    // same tick still give different numbers.
    const double seed = NowWithTicks();
    m_random.seed(static_cast<std::uint32_t>(static_cast<std::uint64_t>(seed * 1000.0)) ^
                  m_random());
    const double r = std::generate_canonical<double, 32>(m_random);
    const float value = low + static_cast<float>(r < 1.0 ? r : 0.0) * (high - low);
    return value < high ? value : low;
}

ByteArray CryptAPI::GetDefaultPassword() const {
    ByteArray password(kDefaultPasswordCharacters.size() + 1, 0);
    for (size_t i = 0; i < kDefaultPasswordCharacters.size(); ++i) {
        password[i] = static_cast<std::uint8_t>(kDefaultPasswordCharacters[i]);
    }
    return password;
}

bool CryptAPI::AcquireContext() {
    const QString provider = QLatin1String(m_EnhancedProvider ? MS_ENHANCED_PROV : MS_DEF_PROV);
    m_lngCryptProv = CryptProvider::Acquire(provider, PROV_RSA_FULL);
    if (m_lngCryptProv) {
        return true;
    }
    // The second attempt asks for the default provider of the type.
    m_lngCryptProv = CryptProvider::Acquire(QString(), PROV_RSA_FULL);
    return m_lngCryptProv != nullptr;
}

bool CryptAPI::RunCipher(qint16 intHashChoice, qint16 intCipherChoice, bool encrypt) {
    scrubBytes(m_OutputData);
    if (!encrypt) {
        m_OutputData.assign(1, 0);
    }
    const HashAlgorithm hashAlgorithm = GetHashAlgorithm(intHashChoice);
    const std::uint32_t cipherAlgorithm = GetCipherAlgorithm(intCipherChoice);
    if (hashAlgorithm.algorithm == 0 || cipherAlgorithm == 0 ||
        (!m_lngCryptProv && !AcquireContext())) {
        ReleaseContext();
        return false;
    }
    QString password = SelectPassword();
    ByteArray passwordBytes = toAnsiBytes(password);
    scrubText(password);
    std::unique_ptr<CryptKey> key;
    if (auto hash = m_lngCryptProv->CreateHash(hashAlgorithm.algorithm)) {
        hash->HashData(passwordBytes);
        key = m_lngCryptProv->DeriveKey(cipherAlgorithm, *hash);
    }
    scrubBytes(passwordBytes);
    if (!key) {
        return false;
    }
    size_t length = static_cast<size_t>(m_InputData.size());
    ByteArray buffer(2 * length, ' ');
    for (size_t i = 0; i < length; ++i) {
        buffer[i] = ansiCode(m_InputData.at(static_cast<qsizetype>(i)));
    }
    const bool done = encrypt ? key->Encrypt(buffer, length) : key->Decrypt(buffer, length);
    if (done) {
        scrubBytes(m_OutputData);
        m_OutputData = lenPlusOneArray(buffer.data(), length);
    }
    scrubBytes(buffer);
    return done;
}

QString CryptAPI::SelectPassword() {
    if (m_Password.size() >= 2) {
        return ByteArrayToString(m_Password);
    }
    if (m_UseDefaultPWD) {
        scrubBytes(m_Password);
        m_Password = GetDefaultPassword();
        return ByteArrayToString(m_Password);
    }
    return QString();
}

void CryptAPI::ReleaseContext() {
    m_lngCryptProv.reset();
}

// The current date and time as the platform's day number, plus the milliseconds since boot.
double CryptAPI::NowWithTicks() {
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    const QDateTime now = QDateTime::currentDateTime();
    const double days = static_cast<double>(epoch.msecsTo(now)) / 86400000.0;
    timespec ticks{};
    clock_gettime(CLOCK_MONOTONIC, &ticks);
    return days + static_cast<double>(ticks.tv_sec) * 1000.0 +
           static_cast<double>(ticks.tv_nsec / 1000000);
}
