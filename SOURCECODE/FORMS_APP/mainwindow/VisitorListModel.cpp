#include "VisitorListModel.h"

#include <QLocale>

#include <algorithm>
#include <utility>

namespace {

const QString kListDateFormat = QStringLiteral("dd-MMM-yyyy hh:mm:ss AP");
const QString kStoredDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

const QLocale& EnglishLocale() {
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

// Empty cells come first, then the values of the column's kind, then texts that are not of it.
struct SortValue {
    int rank = 0;
    qint64 number = 0;
    QString text;
};

SortValue ValueOf(const QString& text, VisitorListModel::Kind kind) {
    if (text.isEmpty()) {
        return {};
    }
    bool ok = false;
    qint64 number = 0;
    switch (kind) {
    case VisitorListModel::Kind::Number:
        number = text.trimmed().toLongLong(&ok);
        break;
    case VisitorListModel::Kind::Date: {
        const QDateTime when = VisitorListModel::ParseListDate(text);
        ok = when.isValid();
        number = ok ? when.toSecsSinceEpoch() : 0;
        break;
    }
    case VisitorListModel::Kind::Text:
        break;
    }
    if (ok) {
        return {1, number, QString()};
    }
    return {2, 0, text};
}

int Compare(const SortValue& left, const SortValue& right) {
    if (left.rank != right.rank) {
        return left.rank < right.rank ? -1 : 1;
    }
    if (left.number != right.number) {
        return left.number < right.number ? -1 : 1;
    }
    return left.text.compare(right.text, Qt::CaseInsensitive);
}

} // namespace

QString VisitorListModel::FormatListDate(const QDateTime& value) {
    return EnglishLocale().toString(value, kListDateFormat);
}

QDateTime VisitorListModel::ParseListDate(const QString& text) {
    return EnglishLocale().toDateTime(text, kListDateFormat);
}

QDateTime VisitorListModel::StoredDateTime(const QVariant& value) {
    if (value.isNull()) {
        return {};
    }
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime();
    }
    const QString text = value.toString().trimmed();
    QDateTime when = QDateTime::fromString(text, kStoredDateFormat);
    if (!when.isValid()) {
        when = QDateTime::fromString(text, Qt::ISODate);
    }
    return when;
}

QString VisitorListModel::ListDateText(const QVariant& value) {
    const QDateTime when = StoredDateTime(value);
    return when.isValid() ? FormatListDate(when) : value.toString();
}

VisitorListModel::VisitorListModel(QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(std::move(columns)) {}

VisitorListModel::~VisitorListModel() = default;

int VisitorListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int VisitorListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant VisitorListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    return Text(index.row(), index.column());
}

QVariant VisitorListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= m_columns.size()) {
        return {};
    }
    return m_columns.at(section).header;
}

void VisitorListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_columns.size()) {
        return;
    }
    m_sorted = true;
    m_sortKey = column;
    m_sortOrder = order;
    ApplySort();
}

void VisitorListModel::ApplySort() {
    if (!m_sorted || m_rows.size() < 2) {
        return;
    }
    const Kind kind = m_columns.at(m_sortKey).kind;
    std::vector<std::pair<SortValue, int>> keyed;
    keyed.reserve(m_rows.size());
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        keyed.emplace_back(ValueOf(m_rows[row].value(m_sortKey), kind), static_cast<int>(row));
    }
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& left, const auto& right) {
        const int result = Compare(left.first, right.first);
        return ascending ? result < 0 : result > 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<QStringList> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (std::size_t index = 0; index < keyed.size(); ++index) {
        const int oldRow = keyed[index].second;
        newRowOf[static_cast<std::size_t>(oldRow)] = static_cast<int>(index);
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(oldRow)]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.append(index(newRowOf[static_cast<std::size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void VisitorListModel::Clear() {
    if (m_rows.empty()) {
        return;
    }
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int VisitorListModel::AddItem(const QString& text) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    QStringList cells;
    cells.reserve(m_columns.size());
    cells.append(text);
    for (int column = 1; column < m_columns.size(); ++column) {
        cells.append(QString());
    }
    m_rows.push_back(std::move(cells));
    endInsertRows();
    return row;
}

void VisitorListModel::SetSubItem(int row, int subItem, const QString& text) {
    if (row < 0 || row >= rowCount() || subItem < 1 || subItem >= m_columns.size()) {
        return;
    }
    m_rows[static_cast<std::size_t>(row)][subItem] = text;
    const QModelIndex changed = index(row, subItem);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void VisitorListModel::AppendRows(const QList<QStringList>& rows) {
    if (rows.isEmpty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    for (const QStringList& row : rows) {
        QStringList cells = row.mid(0, m_columns.size());
        while (cells.size() < m_columns.size()) {
            cells.append(QString());
        }
        m_rows.push_back(std::move(cells));
    }
    endInsertRows();
    ApplySort();
}

void VisitorListModel::RemoveItem(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

QString VisitorListModel::ItemText(int row) const {
    return Text(row, 0);
}

QString VisitorListModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= m_columns.size()) {
        return {};
    }
    return m_rows[static_cast<std::size_t>(row)].at(column);
}

bool VisitorListModel::Sorted() const {
    return m_sorted;
}

int VisitorListModel::SortKey() const {
    return m_sortKey;
}

Qt::SortOrder VisitorListModel::SortOrder() const {
    return m_sortOrder;
}

bool VisitorListModel::setHeaderData(int section, Qt::Orientation orientation,
                                     const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
        section < 0 || section >= m_columns.size()) {
        return false;
    }
    m_columns[section].header = value.toString();
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}
