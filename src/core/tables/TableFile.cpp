// Saving and loading a record table in the table file format.

#include "core/tables/RecordTable.h"
#include "core/tables/TableFileFormat.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"

#include <charconv>

namespace nakilon {

namespace {

// Resumes the views however the operation ends.
class ViewSuspension {
public:
    explicit ViewSuspension(RecordTable& table) : m_table(table) { m_table.suspendViews(); }
    ~ViewSuspension() { m_table.resumeViews(); }
    ViewSuspension(const ViewSuspension&) = delete;
    ViewSuspension& operator=(const ViewSuspension&) = delete;

private:
    RecordTable& m_table;
};

void appendNumber(std::string& out, int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

} // namespace

std::string RecordTable::saveToText() {
    if (!isOpen())
        return {};
    std::string text;
    {
        ViewSuspension suspension(*this);
        // The records are read in place: the current record stays where it is,
        // unless it was an unchanged new record, which ending the edit drops.
        endEdit();

        const int stored = fieldCount() - 1; // all but RecId
        size_t perRecord = 2;
        for (int f = 0; f < stored; ++f)
            perRecord += 1 + (m_fields[f].type == FieldType::Text ? 12 : 6);
        text.reserve(perRecord * (m_records.size() + 1));

        for (int f = 0; f < stored; ++f) {
            if (f > 0)
                text += '\t';
            text += m_fields[f].name;
        }
        text += "\r\n";
        for (const Record& record : m_records) {
            for (int f = 0; f < stored; ++f) {
                if (f > 0)
                    text += '\t';
                if (!(record.present & (uint64_t{1} << f)))
                    continue;
                if (m_fields[f].type == FieldType::Text)
                    text += record.texts[m_slot[f]];
                else
                    appendNumber(text, record.numbers[m_slot[f]]);
            }
            text += "\r\n";
        }
    }
    return text;
}

void RecordTable::saveToFile(std::string_view fileName) {
    if (!isOpen())
        return;
    const std::string text = saveToText();
    try {
        writeFileAtomic(fileName, text);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot create file \"%s\". %s", messageQuote(fileName).c_str(),
                               e.reason().c_str()));
    }
}

void RecordTable::loadFromFile(std::string_view fileName) {
    std::string content;
    try {
        content = readWholeFile(fileName);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(fileName).c_str(),
                               e.reason().c_str()));
    }
    loadFromText(content);
}

void RecordTable::loadFromText(std::string_view content) {
    const std::vector<std::string_view> lines = splitTableLines(content);
    if (lines.empty())
        return;

    ViewSuspension suspension(*this);
    // Close and reopen as one reset: every record goes and the record numbers
    // start again.
    notify(&TableObserver::resetBegins);
    m_inReset = true;
    resetRecords();
    m_state = TableState::Browse;

    // Whatever stops the load, the table is left browsing the records read so
    // far and its views see it again.
    auto finish = [this] {
        m_current = m_records.empty() ? -1 : 0;
        m_eof = m_records.empty();
        m_inReset = false;
        notify(&TableObserver::resetEnds);
        notify(&TableObserver::stateChanged);
    };
    try {
        std::vector<std::string_view> values;
        splitTableValues(lines[0], values);
        std::vector<int> columnField;
        columnField.reserve(values.size());
        for (std::string_view name : values) {
            const int field = name.empty() ? -1 : findField(name);
            columnField.push_back(field == recIdField() ? -1 : field);
        }

        m_records.reserve(lines.size() - 1);
        for (size_t i = 1; i < lines.size(); ++i) {
            Record record = newRecord();
            splitTableValues(lines[i], values);
            for (size_t k = 0; k < values.size(); ++k) {
                if (k >= columnField.size())
                    throw Error(formatText("List index out of bounds (%d)", static_cast<int>(k)));
                if (columnField[k] < 0 || values[k].empty())
                    continue;
                storeConverted(record, columnField[k], values[k]);
            }
            m_counter = record.recId;
            m_records.push_back(std::move(record));
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

} // namespace nakilon
