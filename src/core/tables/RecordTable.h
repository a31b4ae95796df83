#pragma once

#include "core/tables/TableObserver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nakilon {

enum class FieldType {
    Integer,  // signed 32-bit
    SmallInt, // signed 16-bit
    Text,     // single-byte (code page 1254) text of at most `width` bytes
};

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Integer;
    int width = 0; // text fields only
};

enum class TableState { Inactive, Browse, Edit, Insert };

// Where a record was, to return to it later (remember and return).
struct Bookmark {
    int32_t recId = 0; // 0: no record was current
};

// The in-memory record table. It owns the records, their order, their record
// numbers, the state and the one current record; views only observe it (see
// TableObserver). Every record carries the record number `RecId`, made by the
// table itself: the last field of fields(), read-only, never stored in a file.
//
// Texts are code page 1254 bytes. A text field never holds a TAB, CR, LF or NUL
// (the table files have no escapes): writing one is refused with an error.
//
// Errors are nakilon::Error with the text the operator sees.
class RecordTable {
public:
    static constexpr std::string_view kRecIdName = "RecId";

    // `name` prefixes the table's own errors ("CihazTable: ...").
    RecordTable(std::string name, std::vector<FieldDef> fields);
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    const std::string& name() const { return m_name; }

    // --- fields -----------------------------------------------------------
    // Declared fields in their order, then `RecId`.
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const FieldDef& field(int index) const { return m_fields[index]; }
    int recIdField() const { return fieldCount() - 1; }
    // Field by name without regard to letter case; -1 when there is none.
    int findField(std::string_view name) const;
    // As findField, but fails with "<table>: Field '<name>' not found".
    int fieldIndex(std::string_view name) const;

    // --- lifecycle and state ------------------------------------------------
    bool isOpen() const { return m_state != TableState::Inactive; }
    TableState state() const { return m_state; }
    // Opening an open table changes nothing. Opening starts the record number
    // counter again at 0.
    void open();
    // Drops every record (an edit in progress with them).
    void close();

    // --- record operations (all fail on a closed table) ---------------------
    void append(); // new record at the end, current, insert state
    void insert(); // new record before the current one, current, insert state
    void edit();   // edit state; on an empty table starts a new record
    void post();   // stores the record being edited or inserted
    void cancel(); // drops the changes, or the new record
    void remove(); // delete: the current record, or the new one being inserted
    void first();
    void next();
    bool eof() const { return m_eof; }
    Bookmark bookmark() const;
    // Makes the remembered record current again; false, and nothing moves,
    // when it is no longer in the table.
    bool gotoBookmark(const Bookmark& mark);
    // First record in table order whose field equals the value; false, and
    // nothing moves, when there is none. An empty field equals no value.
    bool locate(std::string_view fieldName, int32_t value);
    bool locate(std::string_view fieldName, std::string_view text);
    void refresh();
    // Makes a row current (a view moved); does nothing for the current row.
    void moveTo(int row);

    // Views do not follow the table's moves while suspended; nesting counts.
    void suspendViews();
    void resumeViews();
    bool viewsSuspended() const { return m_suspendCount > 0; }

    // --- the current record, fields by name -------------------------------
    // Reading with no current record gives an empty field.
    bool isNull(std::string_view fieldName) const;
    int32_t asInteger(std::string_view fieldName) const;  // empty: 0
    std::string asText(std::string_view fieldName) const; // empty: ""
    // Writing needs edit or insert state. A 16-bit field refuses numbers
    // outside -32768..32767; a text is cut at the field's width; an integer
    // field takes a text that reads as an integer, and an empty text empties it.
    void setInteger(std::string_view fieldName, int32_t value);
    void setText(std::string_view fieldName, std::string_view text);
    void clear(std::string_view fieldName);

    // --- any row, for views (O(1), the current record does not move) ------
    int rowCount() const { return static_cast<int>(m_records.size()); }
    int currentRow() const { return m_current; }
    bool isNull(int row, int field) const;
    int32_t integerAt(int row, int field) const;  // empty: 0
    std::string textAt(int row, int field) const; // empty: ""

    // --- table files (their format: TableFile.h) -------------------------
    // Writes every record to the file (atomically); nothing when closed.
    void saveToFile(std::string_view fileName);
    // Replaces the records by those of the file. On an error the records read
    // before the failing line stay, in browse state.
    void loadFromFile(std::string_view fileName);
    // The same two on the file's bytes. A closed table saves as "" (and its
    // file is not written); loading text without any line changes nothing.
    std::string saveToText();
    void loadFromText(std::string_view text);

    void addObserver(TableObserver* observer);
    void removeObserver(TableObserver* observer);

private:
    struct Record {
        int32_t recId = 0;
        uint64_t present = 0;           // bit per declared field: not empty
        std::vector<int32_t> numbers;   // integer fields, by slot
        std::vector<std::string> texts; // text fields, by slot
    };

    void requireOpen() const;
    void checkWritable(int field) const;
    void endEdit(); // post when modified, drop otherwise
    void dropInsertedRecord();
    Record newRecord() const;
    void placeNewRecord(int row);
    void setCurrent(int row);
    void setState(TableState state);
    void resetRecords();
    void storeInteger(Record& record, int field, int64_t value);
    void storeText(Record& record, int field, std::string_view text);
    void storeConverted(Record& record, int field, std::string_view text);
    void markChanged();
    const Record* currentRecord() const;
    int findRecId(int32_t recId) const;

    void notify(void (TableObserver::*event)());
    void notify(void (TableObserver::*event)(int), int row);
    void notifyCurrent();

    std::string m_name;
    std::vector<FieldDef> m_fields;
    std::vector<int> m_slot; // field -> index in numbers or texts
    int m_numberSlots = 0;
    int m_textSlots = 0;

    std::vector<Record> m_records;
    TableState m_state = TableState::Inactive;
    int m_current = -1;
    bool m_eof = true;
    int32_t m_counter = 0;
    bool m_modified = false;
    std::optional<Record> m_editBackup;
    int m_suspendCount = 0;
    bool m_inReset = false;
    std::vector<TableObserver*> m_observers;
};

} // namespace nakilon
