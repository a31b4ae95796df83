#pragma once

#include "core/tables/RecordTable.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

// A table file (Cihazlar.Dat, Data\Personel.PDT): a header line naming the
// stored fields, then one line per record with its values in the header's
// order; an empty value is an empty field. A number is written in decimal, a
// text as its code page 1254 bytes: the format has no escapes, so a text never
// holds a TAB, CR, LF or NUL. Lines and values are laid out as
// TableFileFormat.h says.

// Makes the text of a table file.
class TableFileWriter {
public:
    // Starts with the header line of the fields' names; room is reserved for
    // `records` record lines.
    TableFileWriter(std::span<const FieldDef> fields, size_t records);

    // The next value of the record line being written: one per field, in the
    // header's order.
    void addEmpty();
    void addNumber(int32_t value);
    void addText(std::string_view value);
    void endRecord();

    std::string take() { return std::move(m_text); }

private:
    void nextValue();

    std::string m_text;
    bool m_lineStarted = false;
};

// Reads the text of a table file in place; the text must outlive the reader.
class TableFileReader {
public:
    explicit TableFileReader(std::string_view text);

    // False for a text without any line: no header, no records.
    bool hasHeader() const { return !m_lines.empty(); }
    // The names of the header line, one per column (an empty name too).
    const std::vector<std::string_view>& columns() const { return m_columns; }
    size_t recordCount() const { return m_lines.empty() ? 0 : m_lines.size() - 1; }

    // Gives each value of record line `index` (0 the first after the header)
    // with its column to take(column, value), in the line's order. A value
    // beyond the last column fails with Error "List index out of bounds (<its
    // column>)", after the values before it were taken.
    template <typename Take> void readRecord(size_t index, Take&& take) {
        splitValues(index);
        for (size_t column = 0; column < m_values.size(); ++column) {
            if (column >= m_columns.size())
                failBeyondLastColumn(column);
            take(column, m_values[column]);
        }
    }

private:
    void splitValues(size_t index);
    [[noreturn]] static void failBeyondLastColumn(size_t column);

    std::vector<std::string_view> m_lines;
    std::vector<std::string_view> m_columns;
    std::vector<std::string_view> m_values; // of the record last read
};

// A table file's bytes, whole. Errors: "Cannot open file ..." naming the file.
std::string readTableFile(std::string_view fileName);
// Writes the bytes atomically. Errors: "Cannot create file ..." naming it.
void writeTableFile(std::string_view fileName, std::string_view text);

} // namespace nakilon
