#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class RecordSet;

// The search page's result list over the record set of the search itself: a listed row is the
// number of a record-set row, and a cell is made only when the view asks for it, so a search that
// matches a million visits costs the record set and four bytes a row, not eleven strings.
//
// As in the checked-in list, the row's own text (column 0) is the pass number; a column sorts by
// its kind (pass numbers by number, dates by date, the rest as text ignoring letter case), and the
// sort chosen last stays in force for rows listed later.
class SearchResultsModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchResultsModel)

public:
    enum class Kind { Text, Number, Date, CheckedOut };
    struct Column {
        QString header;
        int recordColumn; // position in the table "VisitorRegister"
        Kind kind;
    };
    // The date columns give their cell's date-time under this role (null when the cell is empty).
    static constexpr int DateTimeRole = Qt::UserRole + 1;
    static constexpr int CheckedInRecordColumn = 11;
    static constexpr int CheckedOutRecordColumn = 12;

    // The eleven columns of the list: Company before Visitor Type, no address and no remarks.
    static QList<Column> SearchColumns();

    explicit SearchResultsModel(QObject* parent = nullptr);
    ~SearchResultsModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Switches sorting on and sorts by the column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Removes every row and lets go of the record set.
    void Clear();
    // Lists record-set rows first to first + count - 1 after the listed ones, then keeps the
    // chosen sort. All rows listed at one time come from one record set.
    void AppendRecords(std::shared_ptr<const RecordSet> records, int first, int count);
    void RemoveItem(int row);
    QString ItemText(int row) const;
    // A cell as the list shows it: dates as "dd-MMM-yyyy hh:mm:ss AM/PM"; the Checked-Out cell
    // only when it is later than the Checked-In one.
    QString Text(int row, int column) const;
    QDateTime DateTime(int row, int column) const;

    bool Sorted() const;
    int SortKey() const;
    Qt::SortOrder SortOrder() const;
    void ApplySort();

private:
    QList<Column> m_columns;
    std::shared_ptr<const RecordSet> m_records;
    std::vector<int> m_rows;
    bool m_sorted = false;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
