#pragma once

#include "core/tables/RecordTable.h"

namespace nakilon {

// The grids of a table keep their place while a command runs over its rows,
// and follow the table again however the command ends.
class HeldViews {
public:
    explicit HeldViews(RecordTable& table) : m_table(table) { m_table.suspendViews(); }
    ~HeldViews() { m_table.resumeViews(); }
    HeldViews(const HeldViews&) = delete;
    HeldViews& operator=(const HeldViews&) = delete;

private:
    RecordTable& m_table;
};

} // namespace nakilon
