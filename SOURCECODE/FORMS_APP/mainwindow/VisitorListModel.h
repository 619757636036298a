#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QStringList>

#include <vector>

// Rows of visits as the two list views show them: each row's own text (column 0) is the pass
// number, the other columns its sub-items. A column sorts by its kind: pass numbers by number,
// dates by date, the rest as text. The sort chosen last stays in force for rows added later.
class VisitorListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VisitorListModel)

public:
    enum class Kind { Text, Number, Date };
    struct Column {
        QString header;
        Kind kind;
    };

    // "dd-MMM-yyyy hh:mm:ss AM/PM" with English month names, whatever the locale.
    static QString FormatListDate(const QDateTime& value);
    static QDateTime ParseListDate(const QString& text);
    // A stored date-time value as the lists show it; a value that is no date shows as it stands.
    static QString ListDateText(const QVariant& value);
    // A stored date-time value ("yyyy-MM-dd HH:mm:ss" text or a date-time); invalid when none.
    static QDateTime StoredDateTime(const QVariant& value);

    explicit VisitorListModel(QList<Column> columns, QObject* parent = nullptr);
    ~VisitorListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A column's header text can change (the quick pick's grid names its columns by mode).
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    // Switches sorting on and sorts by the column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void Clear();
    // Adds a row whose own text is the given one; answers its row number.
    int AddItem(const QString& text);
    void SetSubItem(int row, int subItem, const QString& text);
    // Adds whole rows at once, then keeps the chosen sort.
    void AppendRows(const QList<QStringList>& rows);
    void RemoveItem(int row);
    QString ItemText(int row) const;
    QString Text(int row, int column) const;

    bool Sorted() const;
    int SortKey() const;
    Qt::SortOrder SortOrder() const;
    // Sorts again by the chosen column when sorting is on.
    void ApplySort();

private:
    bool LessThan(const QStringList& left, const QStringList& right) const;

    QList<Column> m_columns;
    std::vector<QStringList> m_rows;
    bool m_sorted = false;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
