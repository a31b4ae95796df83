#include "core/tables/TableFile.h"

#include "core/base/Error.h"
#include "core/base/FileRead.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"
#include "core/tables/TableFileFormat.h"

#include <charconv>

namespace nakilon {

TableFileWriter::TableFileWriter(std::span<const FieldDef> fields, size_t records) {
    // About the bytes of a record line: a short text or number per field.
    size_t perRecord = kTableLineEnd.size();
    for (const FieldDef& field : fields)
        perRecord += 1 + (field.type == FieldType::Text ? 12 : 6);
    m_text.reserve(perRecord * (records + 1));
    for (const FieldDef& field : fields)
        addText(field.name);
    endRecord();
}

void TableFileWriter::nextValue() {
    if (m_lineStarted)
        m_text += kTableValueSeparator;
    m_lineStarted = true;
}

void TableFileWriter::addEmpty() {
    nextValue();
}

void TableFileWriter::addNumber(int32_t value) {
    nextValue();
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.append(buffer, result.ptr);
}

void TableFileWriter::addText(std::string_view value) {
    nextValue();
    m_text += value;
}

void TableFileWriter::endRecord() {
    m_text += kTableLineEnd;
    m_lineStarted = false;
}

TableFileReader::TableFileReader(std::string_view text) : m_lines(splitTableLines(text)) {
    if (!m_lines.empty())
        splitTableValues(m_lines[0], m_columns);
}

void TableFileReader::splitValues(size_t index) {
    splitTableValues(m_lines[index + 1], m_values);
}

void TableFileReader::failBeyondLastColumn(size_t column) {
    throw Error(formatText("List index out of bounds (%d)", static_cast<int>(column)));
}

std::string readTableFile(std::string_view fileName) {
    try {
        return readWholeFile(fileName);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(fileName).c_str(),
                               e.reason().c_str()));
    }
}

void writeTableFile(std::string_view fileName, std::string_view text) {
    try {
        writeFileAtomic(fileName, text);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot create file \"%s\". %s", messageQuote(fileName).c_str(),
                               e.reason().c_str()));
    }
}

} // namespace nakilon
