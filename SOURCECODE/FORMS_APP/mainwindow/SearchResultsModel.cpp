#include "SearchResultsModel.h"

#include "VisitorListModel.h"
#include "core/RecordSet.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Empty cells first, then the values of the column's kind, then texts that are not of it.
struct RowKey {
    int rank = 0;
    qint64 number = 0;
    std::string_view text; // folded for text columns
    int row = 0;
    int position = 0; // in the order before this sort, so equal rows keep it
};

// Texts folded once for a sort, so that comparing is comparing bytes: ASCII letters lowered,
// other texts folded by Unicode case folding (UTF-8 keeps the order of the code points).
class FoldedTexts final {
public:
    explicit FoldedTexts(std::size_t rows) { m_places.reserve(rows); }

    void Add(std::string_view text) {
        const std::size_t start = m_bytes.size();
        bool ascii = true;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            ascii = ascii && byte < 0x80;
            m_bytes.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte));
        }
        if (!ascii) {
            m_bytes.resize(start);
            const QByteArray folded =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                    .toCaseFolded()
                    .toUtf8();
            m_bytes.append(folded.constData(), static_cast<std::size_t>(folded.size()));
        }
        m_places.emplace_back(start, m_bytes.size() - start);
    }

    // Valid once every text was added.
    std::string_view At(std::size_t index) const {
        return std::string_view(m_bytes).substr(m_places[index].first, m_places[index].second);
    }

private:
    std::string m_bytes;
    std::vector<std::pair<std::size_t, std::size_t>> m_places;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The stored "yyyy-MM-dd HH:mm:ss" as the number yyyyMMddHHmmss, read without making a QString;
// other forms of a date go through QDateTime. Nothing when the text is no date.
std::optional<qint64> Stamp(const RecordSet& records, int row, int column) {
    const std::string_view text = records.Bytes(row, column);
    static constexpr std::string_view shape = "0000-00-00 00:00:00";
    bool fast = text.size() == shape.size();
    qint64 stamp = 0;
    for (std::size_t i = 0; fast && i < shape.size(); ++i) {
        if (shape[i] == '0') {
            fast = IsDigit(text[i]);
            stamp = stamp * 10 + (text[i] - '0');
        } else {
            fast = text[i] == shape[i];
        }
    }
    if (fast) {
        return stamp;
    }
    const QDateTime when = VisitorListModel::StoredDateTime(records.Value(row, column));
    if (!when.isValid()) {
        return std::nullopt;
    }
    const QDate date = when.date();
    const QTime time = when.time();
    return ((date.year() * 100LL + date.month()) * 100 + date.day()) * 1000000LL +
           time.hour() * 10000 + time.minute() * 100 + time.second();
}

bool CheckedOutShown(const RecordSet& records, int row) {
    if (records.IsNull(row, SearchResultsModel::CheckedOutRecordColumn)) {
        return false;
    }
    const std::optional<qint64> in = Stamp(records, row, SearchResultsModel::CheckedInRecordColumn);
    const std::optional<qint64> out =
        Stamp(records, row, SearchResultsModel::CheckedOutRecordColumn);
    return in && out && *in < *out;
}

std::optional<qint64> Number(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    qint64 number = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    return negative ? -number : number;
}

RowKey KeyOf(const RecordSet& records, int row, const SearchResultsModel::Column& column) {
    RowKey key;
    key.row = row;
    const std::string_view text = records.Bytes(row, column.recordColumn);
    if (column.kind == SearchResultsModel::Kind::CheckedOut && !CheckedOutShown(records, row)) {
        return key;
    }
    if (text.empty() && records.Type(row, column.recordColumn) != RecordSet::CellType::Integer) {
        return key;
    }
    std::optional<qint64> number;
    switch (column.kind) {
    case SearchResultsModel::Kind::Number:
        number = records.Type(row, column.recordColumn) == RecordSet::CellType::Integer
                     ? std::optional<qint64>(records.Value(row, column.recordColumn).toLongLong())
                     : Number(text);
        break;
    case SearchResultsModel::Kind::Date:
    case SearchResultsModel::Kind::CheckedOut:
        number = Stamp(records, row, column.recordColumn);
        break;
    case SearchResultsModel::Kind::Text:
        key.rank = 1;
        key.text = text;
        return key;
    }
    if (number) {
        key.rank = 1;
        key.number = *number;
    } else {
        key.rank = 2;
        key.text = text;
    }
    return key;
}

int CompareText(std::string_view left, std::string_view right) {
    const int result = left.compare(right);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int Compare(const RowKey& left, const RowKey& right) {
    if (left.rank != right.rank) {
        return left.rank < right.rank ? -1 : 1;
    }
    if (left.number != right.number) {
        return left.number < right.number ? -1 : 1;
    }
    return CompareText(left.text, right.text);
}

} // namespace

QList<SearchResultsModel::Column> SearchResultsModel::SearchColumns() {
    return {
        {QStringLiteral("Pass No."), 0, Kind::Number},
        {QStringLiteral("Visitor Name"), 1, Kind::Text},
        {QStringLiteral("Contact No."), 2, Kind::Text},
        {QStringLiteral("Email"), 3, Kind::Text},
        {QStringLiteral("Company"), 5, Kind::Text},
        {QStringLiteral("Visitor Type"), 4, Kind::Text},
        {QStringLiteral("Purpose"), 7, Kind::Text},
        {QStringLiteral("To Meet"), 8, Kind::Text},
        {QStringLiteral("Department"), 9, Kind::Text},
        {QStringLiteral("Checked-In"), CheckedInRecordColumn, Kind::Date},
        {QStringLiteral("Checked-Out"), CheckedOutRecordColumn, Kind::CheckedOut},
    };
}

SearchResultsModel::SearchResultsModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(SearchColumns()) {}

SearchResultsModel::~SearchResultsModel() = default;

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == DateTimeRole) {
        const QDateTime when = DateTime(index.row(), index.column());
        return when.isValid() ? QVariant(when) : QVariant();
    }
    return role == Qt::DisplayRole ? QVariant(Text(index.row(), index.column())) : QVariant();
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_columns.size()) {
        return {};
    }
    return m_columns.at(section).header;
}

void SearchResultsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_columns.size()) {
        return;
    }
    m_sorted = true;
    m_sortKey = column;
    m_sortOrder = order;
    ApplySort();
}

void SearchResultsModel::ApplySort() {
    if (!m_sorted || m_rows.size() < 2 || !m_records) {
        return;
    }
    const Column& column = m_columns.at(m_sortKey);
    std::vector<RowKey> keys;
    keys.reserve(m_rows.size());
    for (std::size_t position = 0; position < m_rows.size(); ++position) {
        keys.push_back(KeyOf(*m_records, m_rows[position], column));
        keys.back().position = static_cast<int>(position);
    }
    // Letter case is ignored: texts are compared folded.
    FoldedTexts folded(keys.size());
    for (const RowKey& key : keys) {
        folded.Add(key.text);
    }
    for (std::size_t index = 0; index < keys.size(); ++index) {
        keys[index].text = folded.At(index);
    }
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::sort(keys.begin(), keys.end(), [ascending](const RowKey& left, const RowKey& right) {
        const int result = Compare(left, right);
        if (result != 0) {
            return ascending ? result < 0 : result > 0;
        }
        return left.position < right.position;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // Where each record row was listed, to move the view's selection and current row along.
    std::vector<int> oldPosition;
    if (!before.isEmpty()) {
        oldPosition.assign(m_records->RecordCount(), -1);
        for (std::size_t position = 0; position < m_rows.size(); ++position) {
            oldPosition[static_cast<std::size_t>(m_rows[position])] = static_cast<int>(position);
        }
    }
    std::vector<int> newPosition(m_rows.size());
    for (std::size_t position = 0; position < keys.size(); ++position) {
        m_rows[position] = keys[position].row;
        if (!before.isEmpty()) {
            newPosition[static_cast<std::size_t>(
                oldPosition[static_cast<std::size_t>(keys[position].row)])] =
                static_cast<int>(position);
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.append(index(newPosition[static_cast<std::size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SearchResultsModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_records.reset();
    endResetModel();
}

void SearchResultsModel::AppendRecords(std::shared_ptr<const RecordSet> records, int first,
                                       int count) {
    if (count <= 0 || !records) {
        return;
    }
    if (m_records && m_records != records) {
        // Rows of two searches never share the list.
        Clear();
    }
    m_records = std::move(records);
    const int listed = rowCount();
    beginInsertRows({}, listed, listed + count - 1);
    m_rows.reserve(m_rows.size() + static_cast<std::size_t>(count));
    for (int row = first; row < first + count; ++row) {
        m_rows.push_back(row);
    }
    endInsertRows();
    ApplySort();
}

void SearchResultsModel::RemoveItem(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

QString SearchResultsModel::ItemText(int row) const {
    return Text(row, 0);
}

QString SearchResultsModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns.size()) {
        return {};
    }
    const int record = m_rows[static_cast<std::size_t>(row)];
    const Column& source = m_columns.at(column);
    switch (source.kind) {
    case Kind::Text:
    case Kind::Number:
        return m_records->Text(record, source.recordColumn);
    case Kind::Date:
        return VisitorListModel::ListDateText(m_records->Value(record, source.recordColumn));
    case Kind::CheckedOut:
        return CheckedOutShown(*m_records, record)
                   ? VisitorListModel::FormatListDate(VisitorListModel::StoredDateTime(
                         m_records->Value(record, source.recordColumn)))
                   : QString();
    }
    return {};
}

QDateTime SearchResultsModel::DateTime(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns.size()) {
        return {};
    }
    const int record = m_rows[static_cast<std::size_t>(row)];
    const Column& source = m_columns.at(column);
    if (source.kind != Kind::Date &&
        !(source.kind == Kind::CheckedOut && CheckedOutShown(*m_records, record))) {
        return {};
    }
    const std::optional<qint64> stamp = Stamp(*m_records, record, source.recordColumn);
    if (!stamp) {
        return {};
    }
    // yyyyMMddHHmmss taken apart again; no time zone, so no conversion is paid per cell.
    const qint64 day = *stamp / 1000000;
    const qint64 time = *stamp % 1000000;
    return QDateTime(QDate(static_cast<int>(day / 10000), static_cast<int>(day / 100 % 100),
                           static_cast<int>(day % 100)),
                     QTime(static_cast<int>(time / 10000), static_cast<int>(time / 100 % 100),
                           static_cast<int>(time % 100)),
                     Qt::UTC);
}

bool SearchResultsModel::Sorted() const {
    return m_sorted;
}

int SearchResultsModel::SortKey() const {
    return m_sortKey;
}

Qt::SortOrder SearchResultsModel::SortOrder() const {
    return m_sortOrder;
}
