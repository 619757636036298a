#include "RecordSet.h"

RecordSet::RecordSet(QStringList fieldNames, std::vector<std::vector<QVariant>> rows)
    : m_fieldNames(std::move(fieldNames))
    , m_rows(std::move(rows)) {}

int RecordSet::FieldCount() const {
    return static_cast<int>(m_fieldNames.size());
}

const QStringList& RecordSet::FieldNames() const {
    return m_fieldNames;
}

int RecordSet::RecordCount() const {
    return static_cast<int>(m_rows.size());
}

bool RecordSet::AtEnd() const {
    return m_current < 0 || m_current >= RecordCount();
}

void RecordSet::MoveFirst() {
    m_current = 0;
}

void RecordSet::MoveNext() {
    if (!AtEnd()) {
        ++m_current;
    }
}

QVariant RecordSet::Field(int column) const {
    return AtEnd() ? QVariant() : Value(m_current, column);
}

QVariant RecordSet::Field(const QString& name) const {
    return Field(ColumnIndex(name));
}

QVariant RecordSet::Value(int row, int column) const {
    if (row < 0 || row >= RecordCount() || column < 0 || column >= FieldCount()) {
        return {};
    }
    const std::vector<QVariant>& values = m_rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < values.size()
               ? values[static_cast<std::size_t>(column)]
               : QVariant();
}

int RecordSet::ColumnIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}
