#include "core/tables/RecordTable.h"

#include "core/base/CodePage1254.h"
#include "core/base/Error.h"
#include "core/base/IntegerText.h"
#include "core/base/Text.h"
#include "core/tables/TableFile.h"

#include <limits>
#include <span>
#include <stdexcept>

namespace nakilon {

namespace {

constexpr int64_t kSmallMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kSmallMax = std::numeric_limits<int16_t>::max();

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool fitsInteger(int64_t value) {
    return value >= std::numeric_limits<int32_t>::min() &&
           value <= std::numeric_limits<int32_t>::max();
}

// The table files have no escapes, so these bytes would break a line or end
// the text on the next load.
bool holdsLineBreaker(std::string_view text) {
    return text.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string_view::npos;
}

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

Error invalidInteger(std::string_view text, const std::string& fieldName) {
    return Error(formatText("'%s' is not a valid integer value for field '%s'",
                            messageQuote(cp1254ToUtf8(text)).c_str(), fieldName.c_str()));
}

} // namespace

RecordTable::RecordTable(std::string name, std::vector<FieldDef> fields)
    : m_name(std::move(name)), m_fields(std::move(fields)) {
    if (m_fields.size() > 64)
        throw std::invalid_argument("a record table holds at most 64 fields");
    for (const FieldDef& f : m_fields)
        m_slot.push_back(f.type == FieldType::Text ? m_textSlots++ : m_numberSlots++);
    m_fields.push_back({std::string(kRecIdName), FieldType::Integer, 0});
    m_slot.push_back(-1);
}

// --- fields ------------------------------------------------------------------

int RecordTable::findField(std::string_view name) const {
    for (int i = 0; i < fieldCount(); ++i) {
        if (sameNameIgnoringCase(m_fields[i].name, name))
            return i;
    }
    return -1;
}

int RecordTable::fieldIndex(std::string_view name) const {
    const int index = findField(name);
    if (index < 0)
        throw Error(m_name + ": Field '" + std::string(name) + "' not found");
    return index;
}

// --- notifications -------------------------------------------------------------

void RecordTable::notify(void (TableObserver::*event)()) {
    if (m_inReset)
        return;
    for (size_t i = 0; i < m_observers.size(); ++i)
        (m_observers[i]->*event)();
}

void RecordTable::notify(void (TableObserver::*event)(int), int row) {
    if (m_inReset)
        return;
    for (size_t i = 0; i < m_observers.size(); ++i)
        (m_observers[i]->*event)(row);
}

void RecordTable::notifyCurrent() {
    if (m_suspendCount > 0)
        return;
    notify(&TableObserver::currentChanged, m_current);
}

void RecordTable::addObserver(TableObserver* observer) {
    m_observers.push_back(observer);
}

void RecordTable::removeObserver(TableObserver* observer) {
    std::erase(m_observers, observer);
}

void RecordTable::suspendViews() {
    if (m_suspendCount++ == 0)
        notify(&TableObserver::viewsSuspended);
}

void RecordTable::resumeViews() {
    if (m_suspendCount == 0)
        return;
    if (--m_suspendCount == 0) {
        notify(&TableObserver::viewsResumed);
        notifyCurrent();
    }
}

void RecordTable::setState(TableState state) {
    if (m_state == state)
        return;
    m_state = state;
    notify(&TableObserver::stateChanged);
}

// --- lifecycle -------------------------------------------------------------------

void RecordTable::resetRecords() {
    m_records.clear();
    m_records.shrink_to_fit();
    m_counter = 0;
    m_current = -1;
    m_eof = true;
    m_modified = false;
    m_editBackup.reset();
}

void RecordTable::open() {
    if (isOpen())
        return;
    notify(&TableObserver::resetBegins);
    resetRecords();
    m_state = TableState::Browse;
    notify(&TableObserver::resetEnds);
    notify(&TableObserver::stateChanged);
    notifyCurrent();
}

void RecordTable::close() {
    if (!isOpen())
        return;
    notify(&TableObserver::resetBegins);
    resetRecords();
    m_state = TableState::Inactive;
    notify(&TableObserver::resetEnds);
    notify(&TableObserver::stateChanged);
    notifyCurrent();
}

void RecordTable::requireOpen() const {
    if (!isOpen())
        throw Error(m_name + ": Cannot perform this operation on a closed dataset");
}

// --- record operations -------------------------------------------------------------

RecordTable::Record RecordTable::newRecord() const {
    Record record;
    record.recId = m_counter + 1;
    record.numbers.resize(m_numberSlots);
    record.texts.resize(m_textSlots);
    return record;
}

void RecordTable::placeNewRecord(int row) {
    notify(&TableObserver::recordAboutToBeInserted, row);
    m_records.insert(m_records.begin() + row, newRecord());
    m_current = row;
    m_eof = false;
    m_modified = false;
    m_editBackup.reset();
    notify(&TableObserver::recordInserted, row);
    setState(TableState::Insert);
    notifyCurrent();
}

void RecordTable::append() {
    requireOpen();
    endEdit();
    placeNewRecord(rowCount());
}

void RecordTable::insert() {
    requireOpen();
    endEdit();
    placeNewRecord(m_current < 0 ? 0 : m_current);
}

void RecordTable::edit() {
    requireOpen();
    if (m_state != TableState::Browse)
        return;
    if (m_records.empty()) {
        placeNewRecord(0);
        return;
    }
    m_editBackup = m_records[m_current];
    m_modified = false;
    setState(TableState::Edit);
}

void RecordTable::post() {
    requireOpen();
    if (m_state == TableState::Browse)
        return;
    if (m_state == TableState::Insert)
        m_counter = m_records[m_current].recId;
    m_editBackup.reset();
    m_modified = false;
    setState(TableState::Browse);
}

void RecordTable::cancel() {
    if (m_state == TableState::Insert) {
        dropInsertedRecord();
    } else if (m_state == TableState::Edit) {
        const bool changed = m_modified;
        m_records[m_current] = std::move(*m_editBackup);
        m_editBackup.reset();
        m_modified = false;
        if (changed) {
            const int row = m_current;
            notify(&TableObserver::recordChanged, row);
        }
        setState(TableState::Browse);
    }
}

void RecordTable::endEdit() {
    if (m_state == TableState::Browse || m_state == TableState::Inactive)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void RecordTable::dropInsertedRecord() {
    const int row = m_current;
    notify(&TableObserver::recordAboutToBeRemoved, row);
    m_records.erase(m_records.begin() + row);
    m_current = row < rowCount() ? row : rowCount() - 1;
    m_eof = m_records.empty();
    m_modified = false;
    notify(&TableObserver::recordRemoved, row);
    setState(TableState::Browse);
    notifyCurrent();
}

void RecordTable::remove() {
    requireOpen();
    if (m_state == TableState::Insert) {
        dropInsertedRecord();
        return;
    }
    if (m_records.empty())
        throw Error(m_name + ": Cannot perform this operation on an empty dataset");
    // Deleting a record in edit state takes its unposted changes with it.
    m_editBackup.reset();
    m_modified = false;
    const int row = m_current;
    notify(&TableObserver::recordAboutToBeRemoved, row);
    m_records.erase(m_records.begin() + row);
    m_current = row < rowCount() ? row : rowCount() - 1;
    // Only an empty table ends a "delete until the end" loop.
    m_eof = m_records.empty();
    notify(&TableObserver::recordRemoved, row);
    setState(TableState::Browse);
    notifyCurrent();
}

void RecordTable::setCurrent(int row) {
    m_current = row;
    m_eof = m_records.empty();
    notifyCurrent();
}

void RecordTable::first() {
    requireOpen();
    endEdit();
    setCurrent(m_records.empty() ? -1 : 0);
}

void RecordTable::next() {
    requireOpen();
    endEdit();
    if (m_current + 1 < rowCount()) {
        setCurrent(m_current + 1);
    } else {
        m_eof = true;
    }
}

Bookmark RecordTable::bookmark() const {
    const Record* record = currentRecord();
    return Bookmark{record ? record->recId : 0};
}

int RecordTable::findRecId(int32_t recId) const {
    for (int row = 0; row < rowCount(); ++row) {
        if (m_records[row].recId == recId)
            return row;
    }
    return -1;
}

bool RecordTable::gotoBookmark(const Bookmark& mark) {
    requireOpen();
    endEdit();
    const int row = mark.recId == 0 ? -1 : findRecId(mark.recId);
    if (row < 0)
        return false;
    setCurrent(row);
    return true;
}

bool RecordTable::locate(std::string_view fieldName, int32_t value) {
    requireOpen();
    endEdit();
    const int field = fieldIndex(fieldName);
    if (m_fields[field].type == FieldType::Text)
        return locate(fieldName, std::string_view(std::to_string(value)));
    for (int row = 0; row < rowCount(); ++row) {
        if (!isNull(row, field) && integerAt(row, field) == value) {
            setCurrent(row);
            return true;
        }
    }
    return false;
}

bool RecordTable::locate(std::string_view fieldName, std::string_view text) {
    requireOpen();
    endEdit();
    const int field = fieldIndex(fieldName);
    if (m_fields[field].type != FieldType::Text) {
        const std::optional<int64_t> value = parseInteger(text);
        if (!value || !fitsInteger(*value))
            return false;
        return locate(fieldName, static_cast<int32_t>(*value));
    }
    const int slot = m_slot[field];
    const uint64_t bit = uint64_t{1} << field;
    for (int row = 0; row < rowCount(); ++row) {
        const Record& record = m_records[row];
        if ((record.present & bit) && record.texts[slot] == text) {
            setCurrent(row);
            return true;
        }
    }
    return false;
}

void RecordTable::refresh() {
    requireOpen();
    endEdit();
    m_eof = m_records.empty();
    notify(&TableObserver::valuesRefreshed);
    notifyCurrent();
}

void RecordTable::moveTo(int row) {
    requireOpen();
    if (row == m_current || row < 0 || row >= rowCount())
        return;
    const int32_t target = m_records[row].recId;
    endEdit();
    // Dropping an unchanged new record before the target shifts it up by one.
    if (row >= rowCount() || m_records[row].recId != target)
        --row;
    setCurrent(row);
}

// --- values ---------------------------------------------------------------------------

const RecordTable::Record* RecordTable::currentRecord() const {
    if (m_current < 0 || m_current >= rowCount())
        return nullptr;
    return &m_records[m_current];
}

bool RecordTable::isNull(int row, int field) const {
    if (field == recIdField())
        return false;
    return (m_records[row].present & (uint64_t{1} << field)) == 0;
}

int32_t RecordTable::integerAt(int row, int field) const {
    const Record& record = m_records[row];
    if (field == recIdField())
        return record.recId;
    if (isNull(row, field))
        return 0;
    if (m_fields[field].type != FieldType::Text)
        return record.numbers[m_slot[field]];
    const std::string& text = record.texts[m_slot[field]];
    if (text.empty())
        return 0;
    const std::optional<int64_t> value = parseInteger(text);
    if (!value || !fitsInteger(*value))
        throw Error(formatText("'%s' is not a valid integer value",
                               messageQuote(cp1254ToUtf8(text)).c_str()));
    return static_cast<int32_t>(*value);
}

std::string RecordTable::textAt(int row, int field) const {
    const Record& record = m_records[row];
    if (field == recIdField())
        return std::to_string(record.recId);
    if (isNull(row, field))
        return {};
    if (m_fields[field].type != FieldType::Text)
        return std::to_string(record.numbers[m_slot[field]]);
    return record.texts[m_slot[field]];
}

bool RecordTable::isNull(std::string_view fieldName) const {
    const int field = fieldIndex(fieldName);
    return currentRecord() ? isNull(m_current, field) : true;
}

int32_t RecordTable::asInteger(std::string_view fieldName) const {
    const int field = fieldIndex(fieldName);
    return currentRecord() ? integerAt(m_current, field) : 0;
}

std::string RecordTable::asText(std::string_view fieldName) const {
    const int field = fieldIndex(fieldName);
    return currentRecord() ? textAt(m_current, field) : std::string();
}

void RecordTable::checkWritable(int field) const {
    requireOpen();
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        throw Error(m_name + ": Dataset not in edit or insert mode");
    if (field == recIdField())
        throw Error(formatText("Field '%s' cannot be modified", m_fields[field].name.c_str()));
}

void RecordTable::storeInteger(Record& record, int field, int64_t value) {
    const FieldDef& def = m_fields[field];
    switch (def.type) {
    case FieldType::Text:
        storeText(record, field, std::to_string(value));
        return;
    case FieldType::SmallInt:
        if (value < kSmallMin || value > kSmallMax)
            throw Error(
                formatText("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                           std::to_string(value).c_str(), def.name.c_str(),
                           std::to_string(kSmallMin).c_str(), std::to_string(kSmallMax).c_str()));
        break;
    case FieldType::Integer:
        if (!fitsInteger(value))
            throw invalidInteger(std::to_string(value), def.name);
        break;
    }
    record.numbers[m_slot[field]] = static_cast<int32_t>(value);
    record.present |= uint64_t{1} << field;
}

void RecordTable::storeText(Record& record, int field, std::string_view text) {
    const FieldDef& def = m_fields[field];
    if (def.type != FieldType::Text) {
        storeConverted(record, field, text);
        return;
    }
    const std::string_view kept = text.substr(0, static_cast<size_t>(def.width));
    if (holdsLineBreaker(kept))
        throw Error(
            formatText("Field '%s' cannot hold a TAB, CR, LF or NUL character", def.name.c_str()));
    record.texts[m_slot[field]].assign(kept);
    record.present |= uint64_t{1} << field;
}

void RecordTable::storeConverted(Record& record, int field, std::string_view text) {
    const FieldDef& def = m_fields[field];
    if (def.type == FieldType::Text) {
        storeText(record, field, text);
        return;
    }
    if (text.empty()) {
        record.present &= ~(uint64_t{1} << field);
        return;
    }
    const std::optional<int64_t> value = parseInteger(text);
    if (!value || !fitsInteger(*value))
        throw invalidInteger(text, def.name);
    storeInteger(record, field, *value);
}

void RecordTable::markChanged() {
    m_modified = true;
    const int row = m_current;
    notify(&TableObserver::recordChanged, row);
}

void RecordTable::setInteger(std::string_view fieldName, int32_t value) {
    const int field = fieldIndex(fieldName);
    checkWritable(field);
    storeInteger(m_records[m_current], field, value);
    markChanged();
}

void RecordTable::setText(std::string_view fieldName, std::string_view text) {
    const int field = fieldIndex(fieldName);
    checkWritable(field);
    storeText(m_records[m_current], field, text);
    markChanged();
}

void RecordTable::clear(std::string_view fieldName) {
    const int field = fieldIndex(fieldName);
    checkWritable(field);
    Record& record = m_records[m_current];
    record.present &= ~(uint64_t{1} << field);
    if (m_fields[field].type == FieldType::Text)
        record.texts[m_slot[field]].clear();
    markChanged();
}

// --- table files ----------------------------------------------------------------------

std::string RecordTable::saveToText() {
    if (!isOpen())
        return {};
    ViewSuspension suspension(*this);
    // The records are read in place: the current record stays where it is,
    // unless it was an unchanged new record, which ending the edit drops.
    endEdit();
    const int stored = fieldCount() - 1; // all but RecId
    const std::span<const FieldDef> storedFields(m_fields.data(), static_cast<size_t>(stored));
    TableFileWriter file(storedFields, m_records.size());
    for (const Record& record : m_records) {
        for (int f = 0; f < stored; ++f) {
            if (!(record.present & (uint64_t{1} << f)))
                file.addEmpty();
            else if (m_fields[f].type == FieldType::Text)
                file.addText(record.texts[m_slot[f]]);
            else
                file.addNumber(record.numbers[m_slot[f]]);
        }
        file.endRecord();
    }
    return file.take();
}

void RecordTable::saveToFile(std::string_view fileName) {
    if (isOpen())
        writeTableFile(fileName, saveToText());
}

void RecordTable::loadFromFile(std::string_view fileName) {
    loadFromText(readTableFile(fileName));
}

void RecordTable::loadFromText(std::string_view content) {
    TableFileReader file(content);
    if (!file.hasHeader())
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
        // The field of each column; -1 for a column that feeds none.
        std::vector<int> columnField;
        columnField.reserve(file.columns().size());
        for (const std::string_view name : file.columns()) {
            const int field = name.empty() ? -1 : findField(name);
            columnField.push_back(field == recIdField() ? -1 : field);
        }
        m_records.reserve(file.recordCount());
        for (size_t i = 0; i < file.recordCount(); ++i) {
            Record record = newRecord();
            file.readRecord(i, [&](size_t column, std::string_view value) {
                if (columnField[column] >= 0 && !value.empty())
                    storeConverted(record, columnField[column], value);
            });
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
