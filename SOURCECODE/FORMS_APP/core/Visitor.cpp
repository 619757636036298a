#include "Visitor.h"

#include "CoreError.h"
#include "DBManager.h"
#include "DatabaseIndexes.h"
#include "basCommon.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTime>
#include <QVariantList>

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString StoredDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Highest by value, so 10000 follows 9999 although "9999" sorts after it as text.
const QString HighestPassNoQuery =
    QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY CAST([PassNo] AS INTEGER) "
                   "DESC LIMIT 1");

// The pass number after the highest stored one, at least four digits; raises when the stored one
// is no number.
QString NextPassNoAfter(const RecordSet& highest) {
    QString next = QStringLiteral("1");
    if (!highest.AtEnd()) {
        const QString stored = highest.Field(0).toString();
        bool isNumber = false;
        const qlonglong number = stored.toLongLong(&isNumber);
        // The largest number has no successor: refuse it rather than wrap around.
        if (highest.Field(0).isNull() || !isNumber || number < 0 ||
            number == std::numeric_limits<qlonglong>::max()) {
            throw CoreError(QStringLiteral("Type mismatch: ") + stored);
        }
        next = QString::number(number + 1);
    }
    return next.rightJustified(4, u'0');
}

constexpr int ContactNoMinLength = 5;

const QStringList& Columns() {
    static const QStringList columns = {
        QStringLiteral("PassNo"),     QStringLiteral("Name"),        QStringLiteral("Mobile"),
        QStringLiteral("Email"),      QStringLiteral("VisitorType"), QStringLiteral("Company"),
        QStringLiteral("Address"),    QStringLiteral("Purpose"),     QStringLiteral("ToMeet"),
        QStringLiteral("Department"), QStringLiteral("Remarks"),     QStringLiteral("CheckedIn"),
        QStringLiteral("CheckedOut")};
    return columns;
}

// Column names cannot be bound, so only the table's own columns reach a statement.
QString KnownColumn(const QString& name) {
    for (const QString& column : Columns()) {
        if (column.compare(name, Qt::CaseInsensitive) == 0) {
            return column;
        }
    }
    throw CoreError(QStringLiteral("No such column in VisitorRegister: ") + name);
}

QString QuotesDoubled(QString text) {
    return text.replace(u'\'', QStringLiteral("''"));
}

QString QuotesHalved(QString text) {
    return text.replace(QStringLiteral("''"), QStringLiteral("'"));
}

// A name that must stay inside its folder: no separators, no "." or "..".
bool IsBareFileName(const QString& name) {
    const bool hasSeparator =
        name.contains(u'/') || name.contains(u'\\') || name.contains(QChar(u'\0'));
    return !hasSeparator && name != u"." && name != u"..";
}

void RequireBareFileName(const QString& name) {
    if (!IsBareFileName(name)) {
        throw CoreError(QStringLiteral("Not a plain file name: ") + name);
    }
}

// Where a change puts a stored photo while it waits for its row's outcome.
QString SetAsidePath(const QString& photo) {
    return photo + QStringLiteral(".deleting");
}

QString RefusedPhotoNameMessage(const QString& name) {
    return QStringLiteral("The photo cannot be saved: its file name \"") + name +
           QStringLiteral("\" must be a plain name without a folder.");
}

// The platform's test for a text that reads as one number: blanks around, a sign, digits with
// thousands separators, a decimal point, an exponent.
bool IsNumericText(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^ *[+-]? *([0-9][0-9,]*(\.[0-9]*)?|\.[0-9]+)([eE][+-]?[0-9]+)? *$)"));
    return number.match(text).hasMatch();
}

bool HasOnlyPhoneCharacters(const QString& text) {
    for (const QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        if (!digit && c != u'-' && c != u'+' && c != u' ') {
            return false;
        }
    }
    return true;
}

QString ContactNoProblem(const QString& contactNo) {
    if (contactNo.isEmpty()) {
        return {};
    }
    if (contactNo.size() < ContactNoMinLength) {
        return QStringLiteral("Contact No. cannot be lesser than 5 character.");
    }
    if (!Visitor::IsContactNoText(contactNo)) {
        return QStringLiteral("Contact No. is invalid! Please type in only numbers.");
    }
    if (contactNo.size() > Visitor::ContactNoMaxLength) {
        return QString::fromLatin1(Visitor::ContactNoTooLongMessage);
    }
    return {};
}

struct Rule {
    bool (*fails)(const Visitor&);
    const char* line;
};

// Rules 4 to 13, in the order their lines appear; the name and contact rules come first.
const std::array<Rule, 10>& LaterRules() {
    static const std::array<Rule, 10> rules = {{
        {[](const Visitor& v) { return v.Email().size() > 100; },
         "Email Address must be lesser than 100 character in length"},
        {[](const Visitor& v) {
             return !v.Email().isEmpty() && !basCommon::IsValidEmail(v.Email());
         },
         "Invalid email id"},
        {[](const Visitor& v) { return v.VisitorType().isEmpty(); },
         "Visitor Type cannot be empty"},
        {[](const Visitor& v) { return v.VisitorType().size() > 50; },
         "Visitor Type must be lesser than 50 characters in length"},
        {[](const Visitor& v) { return v.Department().size() > 50; },
         "Department must be lesser than 50 characters in length"},
        {[](const Visitor& v) { return v.Company().size() > 50; },
         "Company Name must be lesser than 50 characters in length"},
        {[](const Visitor& v) { return v.Purpose().isEmpty(); }, "Purpose cannot be empty"},
        {[](const Visitor& v) { return v.Purpose().size() > 50; },
         "Purpose cannot be greater than 50 characters in length"},
        {[](const Visitor& v) { return v.ToMeet().size() < 3; },
         "Person to meet cannot be lesser than 3 character in length"},
        {[](const Visitor& v) { return v.Remarks().size() > 250; },
         "Remarks must be lesser than 250 character in length"},
    }};
    return rules;
}

// The stored text members in column order, with the names their validation lines use.
const std::array<std::pair<QString (Visitor::*)() const, const char*>, 10>& FieldLabels() {
    static const std::array<std::pair<QString (Visitor::*)() const, const char*>, 10> labels = {{
        {&Visitor::VisitorName, "Name"},
        {&Visitor::ContactNo, "Contact No."},
        {&Visitor::Email, "Email Address"},
        {&Visitor::VisitorType, "Visitor Type"},
        {&Visitor::Company, "Company Name"},
        {&Visitor::Address, "Address"},
        {&Visitor::Purpose, "Purpose"},
        {&Visitor::ToMeet, "Person to meet"},
        {&Visitor::Department, "Department"},
        {&Visitor::Remarks, "Remarks"},
    }};
    return labels;
}

std::optional<QDate> DayFirstDate(const QString& text) {
    // ASCII digits and a year from 100 on, as the date checks accept them: the parser alone also
    // takes a signed year.
    static const QRegularExpression shape(QStringLiteral("^[0-9]{1,2}-[0-9]{1,2}-[0-9]{4}$"));
    if (!shape.match(text.trimmed()).hasMatch()) {
        return std::nullopt;
    }
    for (const QString& format : {QStringLiteral("dd-MM-yyyy"), QStringLiteral("d-M-yyyy")}) {
        const QDate date = QDate::fromString(text.trimmed(), format);
        if (date.isValid() && date.year() >= 100) {
            return date;
        }
    }
    return std::nullopt;
}

QString DayBound(const QString& dayFirstText, const QString& timeOfDay) {
    const std::optional<QDate> date = DayFirstDate(dayFirstText);
    if (!date) {
        throw CoreError(QStringLiteral("Not a valid date: ") + dayFirstText);
    }
    return date->toString(QStringLiteral("yyyy-MM-dd")) + u' ' + timeOfDay;
}

QDateTime StoredDateTime(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime();
    }
    const QString text = value.toString();
    QDateTime result = QDateTime::fromString(text, StoredDateTimeFormat);
    if (!result.isValid()) {
        result = QDateTime::fromString(text, Qt::ISODate);
    }
    return result;
}

// Reads "('a', 'O''Neil')" into its values; nullopt when the text is no such list.
std::optional<QStringList> QuotedValueList(const QString& text) {
    static const QRegularExpression list(
        QStringLiteral(R"(^\s*\(\s*('([^']|'')*'(\s*,\s*'([^']|'')*')*)?\s*\)\s*$)"));
    static const QRegularExpression literal(QStringLiteral(R"('((?:[^']|'')*)')"));
    if (!list.match(text).hasMatch()) {
        return std::nullopt;
    }
    QStringList values;
    QRegularExpressionMatchIterator literals = literal.globalMatch(text);
    while (literals.hasNext()) {
        values.append(QuotesHalved(literals.next().captured(1)));
    }
    return values;
}

// True when the column's values come from the register's value lists; false when the register
// still has an older version's index instead. Raises when the schema could not be read: a
// reading beside the lists could meet a register with no index behind it and step through
// every visit.
bool FromValueLists(const QString& list) {
    if (list.isEmpty()) {
        return false;
    }
    switch (DatabaseIndexes::ValueListsOf()) {
    case DatabaseIndexes::ListsState::Present:
        return true;
    case DatabaseIndexes::ListsState::Absent:
        return false;
    case DatabaseIndexes::ListsState::Unknown:
        break;
    }
    throw CoreError(QStringLiteral("The value lists of the database could not be looked up"));
}

// The distinct non-empty values of a column above a bound, in binary order; the LIMIT stops the
// reading early (-1 reads them all). From the column's value list where it has one; otherwise by
// a skip-scan over the column's index: each step seeks the next larger value, so the cost follows
// the number of values read rather than the number of visits. The index is named, so a register
// without it fails the reading instead of having every visit read at each step.
QString DistinctValuesQuery(const QString& name) {
    const QString column = u'[' + name + u']';
    const QString list = DatabaseIndexes::ValueList(name);
    if (FromValueLists(list)) {
        return QStringLiteral("SELECT ") + column + QStringLiteral(" FROM [") + list +
               QStringLiteral("] WHERE ") + column +
               QStringLiteral(" > ? AND [Visits] > 0 ORDER BY ") + column +
               QStringLiteral(" LIMIT ?");
    }
    const QString index = DatabaseIndexes::DistinctValuesIndex(name);
    if (index.isEmpty()) {
        throw CoreError(QStringLiteral("No index holds the values of ") + name);
    }
    const QString visits =
        QStringLiteral(" FROM [VisitorRegister] INDEXED BY [") + index + QStringLiteral("] WHERE ");
    return QStringLiteral("WITH RECURSIVE [Step]([Value]) AS (SELECT MIN(") + column + u')' +
           visits + column + QStringLiteral(" > ? UNION ALL SELECT (SELECT MIN(") + column + u')' +
           visits + column +
           QStringLiteral(" > [Step].[Value]) FROM [Step] WHERE [Step].[Value] IS NOT NULL "
                          "LIMIT ?) SELECT [Value] AS ") +
           column + QStringLiteral(" FROM [Step] WHERE [Value] IS NOT NULL");
}

// Letter case does not make a value distinct ("ACME" and "Acme" are one company), for every
// letter: each value is kept once, in the spelling met first, unless the exclusion list holds it
// in any spelling. Fed the values a reading at a time, it keeps at most `cap` (0: no cap).
class OncePerSpelling {
public:
    OncePerSpelling(QSet<QString> excluded, int cap)
        : m_seen(std::move(excluded))
        , m_cap(cap) {
        m_seen.reserve(m_seen.size() + cap);
    }

    // Takes the values in order until the cap is reached.
    void Take(const RecordSet& values) {
        for (int row = 0; row < values.RecordCount() && !Full(); ++row) {
            const QVariant value = values.Value(row, 0);
            const QString folded = value.toString().toCaseFolded();
            if (!m_seen.contains(folded)) {
                m_seen.insert(folded);
                m_kept.push_back({value});
            }
        }
    }

    bool Full() const { return m_cap > 0 && Kept() >= m_cap; }

    // How many more values to read for the cap: the ones missing, more in the proportion the
    // values read so far were merged or excluded, and never a mere few, so a run of spellings
    // of values already kept costs a few readings rather than one each.
    qint64 NextReading(qint64 readSoFar) const {
        constexpr qint64 fewest = 1024;
        const qint64 missing = m_cap - Kept();
        if (readSoFar == 0) {
            return missing;
        }
        const qint64 kept = qMax<qint64>(Kept(), 1);
        const qint64 dropped = readSoFar - Kept();
        return qMax(fewest, missing + (missing * dropped + kept - 1) / kept);
    }

    RecordSet Result(const QString& name) && {
        return RecordSet(QStringList{name}, std::move(m_kept));
    }

private:
    qint64 Kept() const { return static_cast<qint64>(m_kept.size()); }

    QSet<QString> m_seen;
    std::vector<std::vector<QVariant>> m_kept;
    int m_cap;
};

} // namespace

bool Visitor::IsContactNoText(const QString& text) {
    return IsNumericText(text) || HasOnlyPhoneCharacters(text);
}

QDateTime Visitor::ZeroDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

Visitor::Visitor()
    : m_checkedIn(ZeroDate())
    , m_checkedOut(ZeroDate()) {}

void Visitor::SetPassNo(const QString& value) {
    m_passNo = value;
}
QString Visitor::PassNo() const {
    return m_passNo;
}
void Visitor::SetVisitorName(const QString& value) {
    m_visitorName = value;
}
QString Visitor::VisitorName() const {
    return m_visitorName;
}
void Visitor::SetContactNo(const QString& value) {
    m_contactNo = value;
}
QString Visitor::ContactNo() const {
    return m_contactNo;
}
void Visitor::SetEmail(const QString& value) {
    m_email = value;
}
QString Visitor::Email() const {
    return m_email;
}
void Visitor::SetVisitorType(const QString& value) {
    m_visitorType = value;
}
QString Visitor::VisitorType() const {
    return m_visitorType;
}
void Visitor::SetCompany(const QString& value) {
    m_company = value;
}
QString Visitor::Company() const {
    return m_company;
}
void Visitor::SetAddress(const QString& value) {
    m_address = value;
}
QString Visitor::Address() const {
    return m_address;
}
void Visitor::SetPurpose(const QString& value) {
    m_purpose = value;
}
QString Visitor::Purpose() const {
    return m_purpose;
}
void Visitor::SetToMeet(const QString& value) {
    m_toMeet = value;
}
QString Visitor::ToMeet() const {
    return m_toMeet;
}
void Visitor::SetDepartment(const QString& value) {
    m_department = value;
}
QString Visitor::Department() const {
    return m_department;
}
void Visitor::SetRemarks(const QString& value) {
    m_remarks = value;
}
QString Visitor::Remarks() const {
    return m_remarks;
}
void Visitor::SetCheckedIn(const QDateTime& value) {
    m_checkedIn = value;
}
QDateTime Visitor::CheckedIn() const {
    return m_checkedIn;
}
void Visitor::SetCheckedOut(const QDateTime& value) {
    m_checkedOut = value;
}
QDateTime Visitor::CheckedOut() const {
    return m_checkedOut;
}
void Visitor::SetSearchDateFrom(const QString& value) {
    m_searchDateFrom = value;
}
QString Visitor::SearchDateFrom() const {
    return m_searchDateFrom;
}
void Visitor::SetSearchDateTo(const QString& value) {
    m_searchDateTo = value;
}
QString Visitor::SearchDateTo() const {
    return m_searchDateTo;
}
void Visitor::SetImageFile(const QString& value) {
    m_imageFile = value;
}
QString Visitor::ImageFile() const {
    return m_imageFile;
}
void Visitor::SetImageCleared(bool value) {
    m_imageCleared = value;
}
bool Visitor::ImageCleared() const {
    return m_imageCleared;
}
QString Visitor::ErrorMessage() const {
    return m_errorMessage;
}

// ---- validation and statements ----

void Visitor::AddErrorLine(const QString& line) {
    m_errorMessage += line + CrLf;
}

bool Visitor::ValidateVisitor() {
    bool valid = true;
    if (m_visitorName.size() < 3) {
        // The first rule starts the text afresh.
        m_errorMessage = QStringLiteral("Name must be atleast 3 character in length") + CrLf;
        valid = false;
    }
    if (m_visitorName.size() > 100) {
        AddErrorLine(QStringLiteral("Name must be lesser than 100 character in length"));
        valid = false;
    }
    const QString contactProblem = ContactNoProblem(m_contactNo);
    if (!contactProblem.isEmpty()) {
        AddErrorLine(contactProblem);
        valid = false;
    }
    for (const Rule& rule : LaterRules()) {
        if (rule.fails(*this)) {
            AddErrorLine(QString::fromLatin1(rule.line));
            valid = false;
        }
    }
    // Pasted text may carry a NUL character, which no statement can hold.
    for (const auto& [member, label] : FieldLabels()) {
        if ((this->*member)().contains(QChar(u'\0'))) {
            AddErrorLine(QString::fromLatin1(label) +
                         QStringLiteral(" contains a NUL character; please type it again"));
            valid = false;
        }
    }
    return valid;
}

void Visitor::EscapeQuotes() {
    for (QString* member : {&m_address, &m_company, &m_department, &m_email, &m_visitorName,
                            &m_purpose, &m_remarks, &m_toMeet, &m_visitorType}) {
        *member = QuotesDoubled(*member);
    }
}

QString Visitor::InsertText() const {
    // The pass number and contact number are digits after validation; doubling keeps any other
    // text inside its literal.
    return QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[Mobile]") +
           QStringLiteral(",[Email],[VisitorType],[Company],[Address],[Purpose],") +
           QStringLiteral("[ToMeet],[Department],[Remarks])") + QStringLiteral("values('") +
           QuotesDoubled(m_passNo) + QStringLiteral("', '") + m_visitorName +
           QStringLiteral("', '") + QuotesDoubled(m_contactNo) + QStringLiteral("' , '") + m_email +
           QStringLiteral("', '") + m_visitorType + QStringLiteral("', '") + m_company +
           QStringLiteral("', '") + m_address + QStringLiteral("', '") + m_purpose +
           QStringLiteral("', '") + m_toMeet + QStringLiteral("', '") + m_department +
           QStringLiteral("', '") + m_remarks + QStringLiteral("')");
}

QString Visitor::UpdateText() const {
    return QStringLiteral("UPDATE [VisitorRegister] SET") + QStringLiteral("   [Name] = '") +
           m_visitorName + QStringLiteral("', [Mobile] = '") + QuotesDoubled(m_contactNo) +
           QStringLiteral("', [Email] = '") + m_email + QStringLiteral("', [VisitorType] = '") +
           m_visitorType + QStringLiteral("', [Company] = '") + m_company +
           QStringLiteral("', [Address] = '") + m_address + QStringLiteral("', [Purpose] = '") +
           m_purpose + QStringLiteral("', [ToMeet] = '") + m_toMeet +
           QStringLiteral("', [Department] = '") + m_department +
           QStringLiteral("', [Remarks] = '") + m_remarks + QStringLiteral("' WHERE [PassNo]= '") +
           QuotesDoubled(m_passNo) + QStringLiteral("'");
}

QString Visitor::GetInsertQuery() {
    try {
        EscapeQuotes();
        return InsertText();
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("GetInsertQuery"));
        return {};
    }
}

QString Visitor::GetUpdateQuery() {
    try {
        EscapeQuotes();
        return UpdateText();
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("GetUpdateQuery"));
        return {};
    }
}

// ---- saving ----

QString Visitor::PhotoPath() const {
    RequireBareFileName(m_passNo);
    return basCommon::GetBaseFolder() + QStringLiteral("/Images/Visitors/") + m_passNo +
           QStringLiteral(".jpg");
}

bool Visitor::StoreWithNextPassNo() {
    const bool escaped = !GetInsertQuery().isEmpty();
    if (!escaped) {
        return false;
    }
    // The highest number is read and ours stored in one write transaction, so no other
    // workstation can take the number in between, however many check in at once. The photo goes
    // into place inside it too: a photo that cannot be placed rolls the row back without another
    // lock, and a row that cannot be committed takes its photo back.
    InsertedPhoto photo;
    const bool stored = DBManager().ExecuteInsert(
        HighestPassNoQuery,
        [this](const RecordSet& highest) {
            try {
                m_passNo = NextPassNoAfter(highest);
            } catch (const std::exception& error) {
                basCommon::WriteLog(QString::fromStdString(error.what()),
                                    QStringLiteral("GetNextPassNo"));
                return QString();
            }
            return InsertText();
        },
        [this, &photo] { PlaceInsertedPhoto(photo); });
    if (!stored) {
        TakeBackInsertedPhoto(photo);
        return false;
    }
    if (!photo.destination.isEmpty()) {
        m_imageFile = photo.destination;
        if (!QFile::remove(photo.heldTemp)) {
            basCommon::WriteLog(QStringLiteral("Permission denied: ") + photo.heldTemp,
                                QStringLiteral("InsertVisitorRecord"));
        }
    }
    return true;
}

void Visitor::PlaceInsertedPhoto(InsertedPhoto& photo) {
    // A photo left under the new number belongs to no stored visit.
    DeleteVisitorImage();
    if (m_imageFile.size() <= 1) {
        return;
    }
    const QString source = basCommon::GetTempFolder() + m_imageFile;
    const QString destination = PhotoPath();
    basCommon::CopyFile(source, destination);
    // The still leaves the temporary folder with the check-in; until the COMMIT it is only
    // renamed, so a check-in that is not stored gives it back.
    const QString held = source + QStringLiteral(".checking-in");
    QFile::remove(held);
    if (!QFile::rename(source, held)) {
        QFile::remove(destination);
        throw CoreError(QStringLiteral("Permission denied: ") + source);
    }
    photo.source = source;
    photo.heldTemp = held;
    photo.destination = destination;
}

void Visitor::TakeBackInsertedPhoto(const InsertedPhoto& photo) {
    if (photo.destination.isEmpty()) {
        return;
    }
    if (!QFile::remove(photo.destination)) {
        basCommon::WriteLog(QStringLiteral("Permission denied: ") + photo.destination,
                            QStringLiteral("InsertVisitorRecord"));
    }
    if (!QFile::rename(photo.heldTemp, photo.source)) {
        basCommon::WriteLog(QStringLiteral("The captured photo stays under ") + photo.heldTemp,
                            QStringLiteral("InsertVisitorRecord"));
    }
}

bool Visitor::InsertVisitorRecord() {
    try {
        if (!ValidateVisitor()) {
            return false;
        }
        if (m_imageFile.size() > 1) {
            // Checked before the row exists, so a bad hand-over stores nothing.
            if (!IsBareFileName(m_imageFile)) {
                m_errorMessage = RefusedPhotoNameMessage(m_imageFile);
                return false;
            }
            const QString source = basCommon::GetTempFolder() + m_imageFile;
            if (!basCommon::FileExists(source)) {
                throw CoreError(QStringLiteral("File not found: ") + source);
            }
        }
        // The number, the row and the photo are stored together or not at all.
        if (!StoreWithNextPassNo()) {
            m_errorMessage = QString::fromLatin1(InsertFailedMessage);
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        // The photo could not be placed, so no row was stored: the receptionist is told why.
        m_errorMessage = QString::fromStdString(error.what());
        basCommon::WriteLog(m_errorMessage, QStringLiteral("InsertVisitorRecord"));
        return false;
    }
}

bool Visitor::UpdateVisitorRecord() {
    m_errorMessage.clear();
    ForgetPhotoChange();
    try {
        if (m_imageFile.size() > 1 && !IsBareFileName(m_imageFile)) {
            m_errorMessage = RefusedPhotoNameMessage(m_imageFile);
            return false;
        }
        // A refused update changes no photo, and the captured one stays for the next try.
        if (!ValidateVisitor()) {
            return false;
        }
        const QString statement = GetUpdateQuery();
        if (statement.isEmpty()) {
            m_errorMessage = QString::fromLatin1(UpdateFailedMessage);
            return false;
        }
        const QString newPhoto =
            m_imageFile.size() > 1 ? basCommon::GetTempFolder() + m_imageFile : QString();
        // The photo changes only when the UPDATE changed the one row, under its write lock: a
        // visit deleted meanwhile on another workstation gets no photo, and its edits are in no
        // row, which the user is told.
        qint64 changed = -1;
        const bool committed =
            DBManager().ExecuteWhileLocked(statement, {}, [&](qint64 changedRows) {
                changed = changedRows;
                if (changedRows != 1) {
                    return false;
                }
                if (!newPhoto.isEmpty() || m_imageCleared) {
                    ChangePhotoWhileLocked(newPhoto, QStringLiteral("UpdateVisitorRecord"));
                }
                return true;
            });
        if (!committed) {
            PutBackPhoto(QStringLiteral("The stored photo could not be put back: "),
                         QStringLiteral("UpdateVisitorRecord"));
            FailWith(changed == 0 ? QString::fromLatin1(MissingVisitMessage) + CrLf
                                  : QString::fromLatin1(UpdateFailedMessage));
            return false;
        }
        KeepChangedPhoto();
        return true;
    } catch (const std::exception& error) {
        const QString description = QString::fromStdString(error.what());
        basCommon::WriteLog(description, QStringLiteral("UpdateVisitorRecord"));
        PutBackPhoto(QStringLiteral("The stored photo could not be put back: "),
                     QStringLiteral("UpdateVisitorRecord"));
        FailWith(QString::fromLatin1(UpdateFailedMessage) + CrLf + description);
        return false;
    }
}

void Visitor::ForgetPhotoChange() {
    m_photoSetAside = false;
    m_newPhotoPlaced = false;
    m_oldPhoto.reset();
}

// Runs while the row's change holds the write lock, so a load on another workstation never sees
// the photo half changed. What fails is put back before the lock goes.
void Visitor::ChangePhotoWhileLocked(const QString& newPhoto, const QString& source) {
    try {
        SetPhotoAside();
        if (!newPhoto.isEmpty()) {
            basCommon::CopyFile(newPhoto, PhotoPath());
            m_newPhotoPlaced = true;
        }
        TakeSetAsidePhoto();
    } catch (const std::exception&) {
        PutBackPhoto(QStringLiteral("The stored photo could not be put back: "), source);
        throw;
    }
}

void Visitor::SetPhotoAside() {
    const QString photo = PhotoPath();
    const QString aside = SetAsidePath(photo);
    if (basCommon::FileExists(aside)) {
        // Left by a change cut short: beside a photo it is older than that one, and without one it
        // is the visit's photo, already set aside.
        if (!basCommon::FileExists(photo)) {
            m_photoSetAside = true;
            return;
        }
        if (!QFile::remove(aside)) {
            throw CoreError(QStringLiteral("Permission denied: ") + aside);
        }
    }
    if (basCommon::FileExists(photo)) {
        if (!QFile::rename(photo, aside)) {
            throw CoreError(QStringLiteral("Permission denied: ") + photo);
        }
        m_photoSetAside = true;
    }
}

// Just before the COMMIT the set-aside photo moves into memory: left on disk once the lock goes,
// it would look like a change cut short to a load on another workstation, which would put it
// back.
void Visitor::TakeSetAsidePhoto() {
    if (!m_photoSetAside) {
        return;
    }
    const QString aside = SetAsidePath(PhotoPath());
    QFile file(aside);
    if (!file.open(QIODevice::ReadOnly)) {
        throw CoreError(QStringLiteral("Cannot read ") + aside + QStringLiteral(": ") +
                        file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw CoreError(QStringLiteral("Cannot read ") + aside + QStringLiteral(": ") +
                        file.errorString());
    }
    file.close();
    if (!QFile::remove(aside)) {
        throw CoreError(QStringLiteral("Permission denied: ") + aside);
    }
    m_oldPhoto = bytes;
    m_photoSetAside = false;
}

void Visitor::KeepChangedPhoto() {
    if (m_newPhotoPlaced) {
        // A temporary file that stays behind does no harm.
        QFile::remove(basCommon::GetTempFolder() + m_imageFile);
        m_imageFile = PhotoPath();
    }
    ForgetPhotoChange();
}

// The stored photo as it was before a change that did not go through.
void Visitor::PutBackPhoto(const QString& problem, const QString& source) {
    if (!m_photoSetAside && !m_newPhotoPlaced && !m_oldPhoto) {
        return;
    }
    const QString photo = PhotoPath();
    bool putBack = !m_newPhotoPlaced || QFile::remove(photo);
    if (m_oldPhoto) {
        QSaveFile file(photo);
        putBack = file.open(QIODevice::WriteOnly) &&
                  file.write(*m_oldPhoto) == m_oldPhoto->size() && file.commit() && putBack;
    } else if (m_photoSetAside) {
        putBack = QFile::rename(SetAsidePath(photo), photo) && putBack;
    }
    if (!putBack) {
        ReportPhotoProblem(problem + photo, source);
    }
    ForgetPhotoChange();
}

// The box shows the problem after whatever the message held; the log keeps it.
void Visitor::ReportPhotoProblem(const QString& problem, const QString& source) {
    if (!m_errorMessage.isEmpty() && !m_errorMessage.endsWith(CrLf)) {
        m_errorMessage += CrLf;
    }
    m_errorMessage += problem;
    basCommon::WriteLog(problem, source);
}

// The failure first, then the photo problems already reported.
void Visitor::FailWith(const QString& failure) {
    const QString problems = m_errorMessage;
    m_errorMessage = failure;
    if (!problems.isEmpty()) {
        m_errorMessage += (failure.endsWith(CrLf) ? QString() : CrLf) + problems;
    }
}

// ---- other changes ----

bool Visitor::CheckOutVisitor() {
    DBManager db;
    if (!db.ExecuteNonQuery(QStringLiteral("UPDATE [VisitorRegister] SET "
                                           "[CheckedOut]=datetime('now','localtime') "
                                           "WHERE [PassNo] = ?"),
                            {m_passNo})) {
        // The engine's own reason ("database is locked"), as the receptionist is shown it.
        m_errorMessage = db.LastError();
        return false;
    }
    // An UPDATE that finds no row still succeeds: another workstation deleted the visit. A
    // failing look-up leaves the UPDATE's own success standing.
    const std::optional<RecordSet> row = DBManager().GetRecordSet(
        QStringLiteral(
            "SELECT 1 FROM [VisitorRegister] WHERE [PassNo] = ? AND [CheckedOut] IS NOT NULL"),
        {m_passNo});
    if (row && row->RecordCount() == 0) {
        m_errorMessage = QString::fromLatin1(MissingVisitMessage);
        return false;
    }
    return true;
}

bool Visitor::DeleteVisitor() {
    m_errorMessage.clear();
    ForgetPhotoChange();
    try {
        RequireBareFileName(m_passNo);
        // The photo goes under the DELETE's write lock, and comes back when the row stays. A row
        // already deleted elsewhere is no failure: the visit is gone, as asked.
        DBManager db;
        const bool committed = db.ExecuteWhileLocked(
            QStringLiteral("DELETE FROM [VisitorRegister] WHERE [PassNo] = ?"), {m_passNo},
            [this](qint64) {
                ChangePhotoWhileLocked(QString(), QStringLiteral("DeleteVisitor"));
                return true;
            });
        if (!committed) {
            m_errorMessage = db.LastError();
            PutBackPhoto(QStringLiteral("The photo could not be put back: "),
                         QStringLiteral("DeleteVisitor"));
            return false;
        }
        ForgetPhotoChange();
        return true;
    } catch (const std::exception& error) {
        const QString description = QString::fromStdString(error.what());
        basCommon::WriteLog(description, QStringLiteral("DeleteVisitor"));
        FailWith(description);
        return false;
    }
}

void Visitor::DeleteVisitorImage() {
    const QString photo = PhotoPath();
    for (const QString& path : {photo, SetAsidePath(photo)}) {
        if (basCommon::FileExists(path) && !QFile::remove(path)) {
            throw CoreError(QStringLiteral("Permission denied: ") + path);
        }
    }
}

// ---- reading ----

QString Visitor::GetNextPassNo() {
    try {
        const std::optional<RecordSet> highest = DBManager().GetRecordSet(HighestPassNoQuery);
        if (!highest) {
            throw CoreError(QStringLiteral("The pass numbers could not be read"));
        }
        return NextPassNoAfter(*highest);
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("GetNextPassNo"));
        return {};
    }
}

bool Visitor::LoadVisitor() {
    return ReadVisitor() == LoadResult::Loaded;
}

Visitor::LoadResult Visitor::ReadVisitor() {
    std::optional<RecordSet> row;
    DBManager db;
    try {
        row = db.GetRecordSet(QStringLiteral("SELECT * FROM [VisitorRegister] where [PassNo]=?"),
                              {m_passNo});
    } catch (const std::exception& error) {
        m_errorMessage = QString::fromStdString(error.what());
        basCommon::WriteLog(m_errorMessage, QStringLiteral("LoadVisitor"));
        return LoadResult::Unreadable;
    }
    if (!row) {
        // DBManager has logged it; the caller shows the engine's reason.
        m_errorMessage = db.LastError().isEmpty()
                             ? QStringLiteral("The visit could not be read from the database.")
                             : db.LastError();
        return LoadResult::Unreadable;
    }
    if (row->AtEnd()) {
        return LoadResult::NoSuchVisit;
    }
    QString* const texts[] = {&m_visitorName, &m_contactNo, &m_email,  &m_visitorType, &m_company,
                              &m_address,     &m_purpose,   &m_toMeet, &m_department,  &m_remarks};
    int column = 1;
    for (QString* member : texts) {
        const QVariant value = row->Field(column++);
        if (!value.isNull()) {
            *member = value.toString();
        }
    }
    // A Null or unreadable time leaves its member as it was: still in keeps the zero date.
    for (QDateTime* member : {&m_checkedIn, &m_checkedOut}) {
        const QVariant value = row->Field(column++);
        const QDateTime time = value.isNull() ? QDateTime() : StoredDateTime(value);
        if (time.isValid()) {
            *member = time;
        }
    }
    RestoreSetAsidePhoto();
    return LoadResult::Loaded;
}

// A change cut short (the program ended midway) can leave the photo of a visit set aside, with
// none in its place. It goes back only under the write lock with the row still there, so a change
// under way on another workstation, which holds that lock, is never undone; a visit deleted
// meanwhile takes it along. A delete or insert of the number removes such a file, so it never
// becomes the photo of a later visit. Beside a photo in place it is left alone.
void Visitor::RestoreSetAsidePhoto() {
    try {
        const QString photo = PhotoPath();
        const QString aside = SetAsidePath(photo);
        if (!basCommon::FileExists(aside) || basCommon::FileExists(photo)) {
            return;
        }
        DBManager().WhenNotLocked(
            QStringLiteral("SELECT 1 FROM [VisitorRegister] WHERE [PassNo] = ?"), {m_passNo},
            [&](const RecordSet& rows) {
                if (!basCommon::FileExists(aside) || basCommon::FileExists(photo)) {
                    return;
                }
                if (rows.AtEnd()) {
                    if (!QFile::remove(aside)) {
                        throw CoreError(QStringLiteral("Permission denied: ") + aside);
                    }
                    return;
                }
                if (!QFile::rename(aside, photo)) {
                    throw CoreError(QStringLiteral("The set-aside photo could not be put back: ") +
                                    aside);
                }
            });
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("LoadVisitor"));
    }
}

std::optional<RecordSet> Visitor::GetVisitorList(const RecordSet::FirstRows& firstRows) {
    QString statement = QStringLiteral("SELECT * FROM [VisitorRegister] where 1=1 ");
    QVariantList values;
    const std::pair<const QString*, const char*> filters[] = {
        {&m_passNo, "PassNo"},           {&m_visitorName, "Name"},     {&m_email, "Email"},
        {&m_visitorType, "VisitorType"}, {&m_company, "Company"},      {&m_purpose, "Purpose"},
        {&m_toMeet, "ToMeet"},           {&m_department, "Department"}};
    for (const auto& [value, column] : filters) {
        if (!value->isEmpty()) {
            statement +=
                QStringLiteral(" AND [") + QString::fromLatin1(column) + QStringLiteral("] like ?");
            values.append(*value);
        }
    }
    try {
        // Stored times are "yyyy-MM-dd HH:mm:ss" text, so whole days compare correctly as text.
        if (!m_searchDateFrom.isEmpty()) {
            statement += QStringLiteral(" AND [CheckedIn] >= ?");
            values.append(DayBound(m_searchDateFrom, QStringLiteral("00:00:00")));
        }
        if (!m_searchDateTo.isEmpty()) {
            statement += QStringLiteral(" AND [CheckedIn] <= ?");
            values.append(DayBound(m_searchDateTo, QStringLiteral("23:59:59")));
        }
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("GetVisitorList"),
                            statement);
        return std::nullopt;
    }
    return DBManager().GetRecordSet(statement, values, firstRows);
}

std::optional<RecordSet> Visitor::GetCheckedInVisitorList() {
    return DBManager().GetRecordSet(
        QStringLiteral("SELECT * FROM [VisitorRegister] WHERE [CheckedOut] IS NULL"));
}

std::optional<RecordSet> Visitor::GetDDValues(const QString& ColumnName,
                                              const QString& FilterDefaults, int MaxValues) {
    QString statement;
    QString name;
    QSet<QString> excluded;
    try {
        name = KnownColumn(ColumnName);
        statement = DistinctValuesQuery(name);
        if (!FilterDefaults.isEmpty()) {
            const std::optional<QStringList> values = QuotedValueList(FilterDefaults);
            if (!values) {
                throw CoreError(QStringLiteral("Not a list of quoted values: ") + FilterDefaults);
            }
            for (const QString& value : *values) {
                excluded.insert(value.toCaseFolded());
            }
        }
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()), QStringLiteral("GetDDValues"),
                            statement);
        return std::nullopt;
    }
    const int cap = qMax(MaxValues, 0);
    OncePerSpelling kept(std::move(excluded), cap);
    // Readings continue after the last value read until the cap is kept or the values end.
    QVariant after = QString();
    qint64 read = 0;
    for (qint64 wanted = cap > 0 ? kept.NextReading(0) : -1;; wanted = kept.NextReading(read)) {
        const std::optional<RecordSet> values =
            DBManager().GetRecordSet(statement, {after, wanted});
        if (!values) {
            return std::nullopt;
        }
        kept.Take(*values);
        read += values->RecordCount();
        if (wanted < 0 || values->RecordCount() < wanted || kept.Full()) {
            break;
        }
        after = values->Value(values->RecordCount() - 1, 0);
    }
    return std::move(kept).Result(name);
}

namespace {

// A pair regardless of letter case, as folded UTF-8: the first value's length, then both values.
// The filters' LIKE matches no missing value, so a missing value never reaches the look-up and
// needs no place of its own.
using FoldedPair = std::string;

void AppendFolded(const RecordSet& rows, int row, int column, std::string& key) {
    const std::string_view bytes = rows.Bytes(row, column);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0x80U) == 0;
    });
    if (rows.Type(row, column) == RecordSet::CellType::Text && ascii) {
        // Most names are ASCII; they fold without a trip through QString.
        for (const char c : bytes) {
            key.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c);
        }
        return;
    }
    key += rows.Text(row, column).toCaseFolded().toStdString();
}

FoldedPair FoldedPairOf(const RecordSet& rows, int row) {
    std::string first;
    AppendFolded(rows, row, 0, first);
    FoldedPair key = std::to_string(first.size());
    key.push_back(':');
    key += first;
    AppendFolded(rows, row, 1, key);
    return key;
}

void CopyCell(const RecordSet& from, int row, int column, RecordSet& to) {
    switch (from.Type(row, column)) {
    case RecordSet::CellType::Null:
        to.AppendNull();
        break;
    case RecordSet::CellType::Text:
        to.AppendText(from.Bytes(row, column));
        break;
    case RecordSet::CellType::Blob:
        to.AppendBlob(from.Bytes(row, column));
        break;
    default:
        to.AppendValue(from.Value(row, column));
        break;
    }
}

// Adds the pairs of rows not seen yet in any spelling, in their order, until kept holds limit
// pairs (no limit when limit is 0 or less).
void KeepPairsOnce(const RecordSet& rows, std::unordered_set<FoldedPair>& seen, RecordSet& kept,
                   int limit) {
    for (int row = 0; row < rows.RecordCount(); ++row) {
        if (limit > 0 && kept.RecordCount() >= limit) {
            return;
        }
        if (!seen.insert(FoldedPairOf(rows, row)).second) {
            continue;
        }
        CopyCell(rows, row, 0, kept);
        CopyCell(rows, row, 1, kept);
        kept.EndRow();
    }
}

// How many distinct rows to read next for the missing pairs, judged by the share of spelling
// variants among the rows read so far, with some room to spare.
int NextChunk(int missing, qint64 read, int kept) {
    const qint64 expected = static_cast<qint64>(missing) * read / qMax(kept, 1);
    const qint64 chunk = expected + expected / 4 + 64;
    return static_cast<int>(qMin<qint64>(chunk, std::numeric_limits<int>::max() / 2));
}

} // namespace

std::optional<RecordSet> Visitor::FillSimpleSearch(const QString& Column1, const QString& Column2,
                                                   const QString& Filter1, const QString& Filter2,
                                                   int MaxRecords) {
    QString statement;
    try {
        const QString first = u'[' + KnownColumn(Column1) + u']';
        const QString second = u'[' + KnownColumn(Column2) + u']';
        const QString pairs = DatabaseIndexes::PairList(Column1, Column2);
        if (FromValueLists(pairs)) {
            // Each pair once already, in the list's order.
            statement = QStringLiteral("SELECT ") + first + u',' + second +
                        QStringLiteral(" FROM [") + pairs +
                        QStringLiteral("] WHERE [Visits] > 0 AND ") + first +
                        QStringLiteral(" LIKE ? AND ") + second +
                        QStringLiteral(" LIKE ? ORDER BY ") + first + u',' + second;
        } else {
            // Named, so a register without the index fails the look-up instead of having every
            // visit read.
            const QString covering = DatabaseIndexes::CoveringPairs(Column1, Column2);
            if (covering.isEmpty()) {
                throw CoreError(QStringLiteral("No index holds the pairs of ") + first +
                                QStringLiteral(" and ") + second);
            }
            statement = QStringLiteral("SELECT DISTINCT ") + first + u',' + second +
                        QStringLiteral(" FROM [VisitorRegister] INDEXED BY [") + covering +
                        QStringLiteral("] WHERE ") + first + QStringLiteral(" LIKE ? AND ") +
                        second + QStringLiteral(" LIKE ?");
        }
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromStdString(error.what()),
                            QStringLiteral("FillSimpleSearch"));
        return std::nullopt;
    }
    std::unordered_set<FoldedPair> seen;
    if (MaxRecords <= 0) {
        const std::optional<RecordSet> rows =
            DBManager().GetRecordSet(statement, {Filter1, Filter2});
        if (!rows) {
            return std::nullopt;
        }
        RecordSet kept(rows->FieldNames());
        KeepPairsOnce(*rows, seen, kept, 0);
        return kept;
    }
    // The engine tells pairs apart by exact spelling, so reading MaxRecords of its pairs may give
    // fewer once spelling variants are merged: read on in chunks until enough pairs are kept or
    // the pairs run out, never the whole table when a few thousand pairs will do.
    std::optional<RecordSet> kept;
    qint64 offset = 0;
    int chunk = MaxRecords;
    for (;;) {
        const std::optional<RecordSet> rows = DBManager().GetRecordSet(
            statement + QStringLiteral(" LIMIT %1 OFFSET %2").arg(chunk).arg(offset),
            {Filter1, Filter2});
        if (!rows) {
            return std::nullopt;
        }
        if (!kept) {
            kept.emplace(rows->FieldNames());
        }
        KeepPairsOnce(*rows, seen, *kept, MaxRecords);
        offset += rows->RecordCount();
        if (kept->RecordCount() >= MaxRecords || rows->RecordCount() < chunk) {
            return kept;
        }
        chunk = NextChunk(MaxRecords - kept->RecordCount(), offset, kept->RecordCount());
    }
}

bool Visitor::IsVisitorCheckedOut() const {
    return m_checkedIn < m_checkedOut;
}
