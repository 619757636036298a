#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// A query result read in full before its connection closed, so it outlives the connection.
// A Null column value is a null QVariant. The cursor starts on the first row.
class RecordSet final {
public:
    RecordSet() = default;
    RecordSet(QStringList fieldNames, std::vector<std::vector<QVariant>> rows);

    int FieldCount() const;
    const QStringList& FieldNames() const;
    int RecordCount() const;

    // Cursor in the manner of the callers: AtEnd() is true when no current row exists.
    bool AtEnd() const;
    void MoveFirst();
    void MoveNext();
    // Column of the current row by position or by name (case-insensitive); null when absent.
    QVariant Field(int column) const;
    QVariant Field(const QString& name) const;

    // Random access, for filling large lists.
    QVariant Value(int row, int column) const;
    int ColumnIndex(const QString& name) const;

private:
    QStringList m_fieldNames;
    std::vector<std::vector<QVariant>> m_rows;
    int m_current = 0;
};
