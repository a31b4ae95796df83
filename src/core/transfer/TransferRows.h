#pragma once

#include "core/device/ConnectionProcedure.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nakilon {

class Operator;
class RecordTable;

// One row of the device list as a run takes it before the first terminal is
// contacted. A run works from these alone, so that it may run apart from the
// table (on the worker thread while the window owns the table).
struct TransferDevice {
    int32_t recId = 0;
    int32_t deviceNumber = 0; // CihazNo
    ConnectionValues connection;
    int32_t entryExitType = 0; // GCTip
    std::string name;          // CihazAdi, code page 1254
    bool marked = false;       // Isaret is 1
};

// Every row of the device list, in row order.
std::vector<TransferDevice> transferDevicesOf(const RecordTable& cihazTable);

// Where a run shows each device's progress and status: the device rows of the
// transfer grid.
class TransferRows {
public:
    virtual ~TransferRows() = default;
    // "TransferDurumu" 0 on every row; the current row stays current.
    virtual void resetProgress() = 0;
    // An empty "Aciklama" on every row.
    virtual void clearStatus() = 0;
    // Code page 1254 text into the row's "Aciklama". A row that is no longer
    // in the table is left alone, here and in setProgress.
    virtual void setStatus(int32_t recId, const std::string& text) = 0;
    virtual void setProgress(int32_t recId, int32_t percentage) = 0;
};

// The rows of the device table itself: each change is posted, the table
// refreshed, and the transfer grid repainted through the operator.
class TableTransferRows final : public TransferRows {
public:
    TableTransferRows(RecordTable& cihazTable, Operator& op) : m_table(cihazTable), m_op(op) {}

    void resetProgress() override;
    void clearStatus() override;
    void setStatus(int32_t recId, const std::string& text) override;
    void setProgress(int32_t recId, int32_t percentage) override;

private:
    void write(int32_t recId, bool status, int32_t number, const std::string& text);

    RecordTable& m_table;
    Operator& m_op;
};

} // namespace nakilon
