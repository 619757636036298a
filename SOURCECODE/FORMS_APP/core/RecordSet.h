#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A query result read in full before its connection closed, so it outlives the connection.
// A Null column value is a null QVariant. The cursor starts on the first row.
//
// A million visits must fit in a few hundred megabytes and be read at the speed of the engine,
// so cells are not kept as one QVariant each: every row is packed into large byte blocks (the
// cells' ends, their kinds, then their bytes, text as UTF-8), and a QVariant or QString is made
// only when a caller asks for a cell.
class RecordSet final {
public:
    // Told once, with the rows read so far, when a long query has read its first rows, so a
    // caller can show them while the rest is read. The rows must be copied to be kept.
    using FirstRows = std::function<void(const RecordSet& rowsSoFar)>;
    static constexpr int FirstRowsCount = 100;

    enum class CellType : std::uint8_t { Null, Integer, Float, Text, Blob };

    RecordSet() = default;
    explicit RecordSet(QStringList fieldNames);
    RecordSet(QStringList fieldNames, const std::vector<std::vector<QVariant>>& rows);
    RecordSet(const RecordSet& other);
    RecordSet& operator=(const RecordSet& other);
    RecordSet(RecordSet&&) noexcept = default;
    RecordSet& operator=(RecordSet&&) noexcept = default;
    ~RecordSet() = default;

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

    // Without making a QVariant: the kind of a cell (Null when absent), the bytes of a text or
    // blob cell (empty for the others), and a cell as text ("" for Null).
    CellType Type(int row, int column) const;
    bool IsNull(int row, int column) const;
    std::string_view Bytes(int row, int column) const;
    QString Text(int row, int column) const;

    // Building, one row at a time: the cells of a row in column order, then EndRow().
    void AppendNull();
    void AppendInteger(qint64 value);
    void AppendFloat(double value);
    void AppendText(std::string_view utf8);
    void AppendBlob(std::string_view bytes);
    void AppendValue(const QVariant& value);
    void EndRow();
    // A whole row at once, one kind and one byte range per field (an integer or a float as its
    // eight bytes in memory), for readers that have every cell at hand.
    void AppendRow(std::span<const CellType> types, std::span<const std::string_view> cells);

private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
    };
    // Where a packed row starts.
    struct RowPlace {
        std::uint32_t block;
        std::uint32_t offset;
    };
    struct Cell {
        CellType type = CellType::Null;
        std::string_view bytes;
    };

    void AppendCell(CellType type, std::string_view bytes);
    // Makes room for the row being built plus extra bytes, moving the row to a new block when the
    // current one is full.
    char* RowSpace(std::size_t extra);
    Cell CellAt(int row, int column) const;
    static QVariant ToVariant(const Cell& cell);

    QStringList m_fieldNames;
    std::vector<Block> m_blocks;
    std::vector<RowPlace> m_rows;
    // The row being built lives in the last block from its start offset on: the cells' ends and
    // kinds first, then the bytes of the cells given so far.
    std::size_t m_rowStart = 0;
    std::size_t m_rowBytes = 0;
    int m_rowCells = -1; // -1: no row begun
    int m_current = 0;
};
