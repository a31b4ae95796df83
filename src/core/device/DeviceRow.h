#pragma once

#include "core/device/ConnectionProcedure.h"

namespace nakilon {

class RecordTable;

// The connection values of one device row of CihazTable: connection type,
// machine number, IP address (at most 20 characters), port and password text.
// Every command that talks to a terminal takes them from here.
ConnectionValues connectionValuesAt(const RecordTable& devices, int row);

// The same for the current device row; an empty list, or no current row, gives
// empty values (connection type 0), which no connection reaches.
ConnectionValues currentConnectionValues(const RecordTable& devices);

} // namespace nakilon
