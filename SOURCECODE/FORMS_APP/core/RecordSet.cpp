#include "RecordSet.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Rows are packed into blocks of this size; a larger row gets a block of its own.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

constexpr std::size_t AlignedTo4(std::size_t size) {
    return (size + 3) & ~std::size_t{3};
}

// Bytes before a packed row's cell bytes: the cells' ends, then their kinds, padded.
std::size_t HeaderSize(int fields) {
    const auto count = static_cast<std::size_t>(fields);
    return AlignedTo4(count * sizeof(std::uint32_t) + count);
}

std::uint32_t ReadEnd(const char* header, int column) {
    std::uint32_t end = 0;
    std::memcpy(&end, header + static_cast<std::size_t>(column) * sizeof(end), sizeof(end));
    return end;
}

} // namespace

RecordSet::RecordSet(QStringList fieldNames)
    : m_fieldNames(std::move(fieldNames)) {}

RecordSet::RecordSet(QStringList fieldNames, const std::vector<std::vector<QVariant>>& rows)
    : m_fieldNames(std::move(fieldNames)) {
    for (const std::vector<QVariant>& row : rows) {
        for (int column = 0; column < FieldCount(); ++column) {
            const auto index = static_cast<std::size_t>(column);
            AppendValue(index < row.size() ? row[index] : QVariant());
        }
        EndRow();
    }
}

RecordSet::RecordSet(const RecordSet& other)
    : m_fieldNames(other.m_fieldNames)
    , m_rows(other.m_rows)
    , m_current(other.m_current) {
    // Only whole rows are copied; a row being built stays behind.
    m_blocks.reserve(other.m_blocks.size());
    for (std::size_t index = 0; index < other.m_blocks.size(); ++index) {
        const Block& block = other.m_blocks[index];
        const std::size_t size = other.m_rowCells >= 0 && index + 1 == other.m_blocks.size()
                                     ? other.m_rowStart
                                     : block.size;
        Block copy;
        copy.data.reset(new char[std::max<std::size_t>(size, 1)]);
        std::memcpy(copy.data.get(), block.data.get(), size);
        copy.size = size;
        copy.capacity = size;
        m_blocks.push_back(std::move(copy));
    }
}

RecordSet& RecordSet::operator=(const RecordSet& other) {
    if (this != &other) {
        RecordSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

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
    return ToVariant(CellAt(row, column));
}

int RecordSet::ColumnIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

RecordSet::CellType RecordSet::Type(int row, int column) const {
    return CellAt(row, column).type;
}

bool RecordSet::IsNull(int row, int column) const {
    return Type(row, column) == CellType::Null;
}

std::string_view RecordSet::Bytes(int row, int column) const {
    const Cell cell = CellAt(row, column);
    return cell.type == CellType::Text || cell.type == CellType::Blob ? cell.bytes
                                                                      : std::string_view();
}

QString RecordSet::Text(int row, int column) const {
    const Cell cell = CellAt(row, column);
    if (cell.type == CellType::Text) {
        return QString::fromUtf8(cell.bytes.data(), static_cast<qsizetype>(cell.bytes.size()));
    }
    return ToVariant(cell).toString();
}

RecordSet::Cell RecordSet::CellAt(int row, int column) const {
    if (row < 0 || row >= RecordCount() || column < 0 || column >= FieldCount()) {
        return {};
    }
    const RowPlace place = m_rows[static_cast<std::size_t>(row)];
    const char* header = m_blocks[place.block].data.get() + place.offset;
    const char* bytes = header + HeaderSize(FieldCount());
    const std::uint32_t begin = column == 0 ? 0 : ReadEnd(header, column - 1);
    const std::uint32_t end = ReadEnd(header, column);
    const auto type = static_cast<CellType>(
        header[static_cast<std::size_t>(FieldCount()) * sizeof(std::uint32_t) +
               static_cast<std::size_t>(column)]);
    return {type, std::string_view(bytes + begin, end - begin)};
}

QVariant RecordSet::ToVariant(const Cell& cell) {
    switch (cell.type) {
    case CellType::Null:
        return {};
    case CellType::Integer: {
        qint64 value = 0;
        std::memcpy(&value, cell.bytes.data(), sizeof(value));
        return QVariant(static_cast<qlonglong>(value));
    }
    case CellType::Float: {
        double value = 0;
        std::memcpy(&value, cell.bytes.data(), sizeof(value));
        return QVariant(value);
    }
    case CellType::Text:
        return QVariant(
            QString::fromUtf8(cell.bytes.data(), static_cast<qsizetype>(cell.bytes.size())));
    case CellType::Blob:
        return QVariant(QByteArray(cell.bytes.data(), static_cast<qsizetype>(cell.bytes.size())));
    }
    return {};
}

char* RecordSet::RowSpace(std::size_t extra) {
    const std::size_t header = HeaderSize(FieldCount());
    const std::size_t needed = header + m_rowBytes + extra + 3;
    if (m_blocks.empty() || m_blocks.back().capacity - m_rowStart < needed) {
        Block block;
        block.capacity = std::max(kBlockSize, needed * 2);
        // Not zeroed: every byte is written before it is read.
        block.data.reset(new char[block.capacity]);
        if (m_rowCells > 0) {
            std::memcpy(block.data.get(), m_blocks.back().data.get() + m_rowStart,
                        header + m_rowBytes);
        }
        m_blocks.push_back(std::move(block));
        m_rowStart = 0;
    }
    return m_blocks.back().data.get() + m_rowStart;
}

void RecordSet::AppendCell(CellType type, std::string_view bytes) {
    if (m_rowCells < 0) {
        m_rowStart = m_blocks.empty() ? 0 : m_blocks.back().size;
        m_rowBytes = 0;
        m_rowCells = 0;
    }
    if (m_rowCells >= FieldCount()) {
        throw std::logic_error("RecordSet: more cells than fields in a row");
    }
    if (m_rowBytes + bytes.size() > UINT32_MAX) {
        throw std::length_error("RecordSet: a row of more than 4 GB");
    }
    char* row = RowSpace(bytes.size());
    const std::size_t fields = static_cast<std::size_t>(FieldCount());
    if (!bytes.empty()) {
        std::memcpy(row + HeaderSize(FieldCount()) + m_rowBytes, bytes.data(), bytes.size());
    }
    m_rowBytes += bytes.size();
    const auto end = static_cast<std::uint32_t>(m_rowBytes);
    std::memcpy(row + static_cast<std::size_t>(m_rowCells) * sizeof(end), &end, sizeof(end));
    row[fields * sizeof(end) + static_cast<std::size_t>(m_rowCells)] = static_cast<char>(type);
    ++m_rowCells;
}

void RecordSet::AppendNull() {
    AppendCell(CellType::Null, {});
}

void RecordSet::AppendInteger(qint64 value) {
    char bytes[sizeof(value)];
    std::memcpy(bytes, &value, sizeof(value));
    AppendCell(CellType::Integer, std::string_view(bytes, sizeof(bytes)));
}

void RecordSet::AppendFloat(double value) {
    char bytes[sizeof(value)];
    std::memcpy(bytes, &value, sizeof(value));
    AppendCell(CellType::Float, std::string_view(bytes, sizeof(bytes)));
}

void RecordSet::AppendText(std::string_view utf8) {
    AppendCell(CellType::Text, utf8);
}

void RecordSet::AppendBlob(std::string_view bytes) {
    AppendCell(CellType::Blob, bytes);
}

void RecordSet::AppendValue(const QVariant& value) {
    if (value.isNull()) {
        AppendNull();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        AppendInteger(value.toLongLong());
        return;
    case QMetaType::Double:
        AppendFloat(value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        AppendBlob(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        return;
    }
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        AppendText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        return;
    }
    }
}

// Missing cells at the end of a row are Null.
void RecordSet::EndRow() {
    while (m_rowCells < FieldCount()) {
        AppendNull();
    }
    if (m_rowCells < 0) {
        // No fields at all: an empty row.
        RowSpace(0);
        m_rowStart = m_blocks.back().size;
        m_rowBytes = 0;
    }
    Block& block = m_blocks.back();
    m_rows.push_back(
        {static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(m_rowStart)});
    block.size = m_rowStart + AlignedTo4(HeaderSize(FieldCount()) + m_rowBytes);
    m_rowCells = -1;
}

void RecordSet::AppendRow(std::span<const CellType> types,
                          std::span<const std::string_view> cells) {
    const auto fields = static_cast<std::size_t>(FieldCount());
    if (m_rowCells >= 0 || types.size() != fields || cells.size() != fields) {
        throw std::logic_error("RecordSet: a whole row must have one cell per field");
    }
    std::size_t total = 0;
    for (const std::string_view cell : cells) {
        total += cell.size();
    }
    if (total > UINT32_MAX) {
        throw std::length_error("RecordSet: a row of more than 4 GB");
    }
    m_rowStart = m_blocks.empty() ? 0 : m_blocks.back().size;
    m_rowBytes = 0;
    m_rowCells = 0;
    char* row = RowSpace(total);
    char* bytes = row + HeaderSize(FieldCount());
    std::uint32_t end = 0;
    for (std::size_t field = 0; field < fields; ++field) {
        if (!cells[field].empty()) {
            std::memcpy(bytes + end, cells[field].data(), cells[field].size());
        }
        end += static_cast<std::uint32_t>(cells[field].size());
        std::memcpy(row + field * sizeof(end), &end, sizeof(end));
        row[fields * sizeof(end) + field] = static_cast<char>(types[field]);
    }
    m_rowBytes = total;
    m_rowCells = FieldCount();
    EndRow();
}
