#pragma once

#include <string>

namespace nakilon {

class RecordTable;

// The "Seç" box of a device row changed: the row becomes the current device,
// its mark (Isaret) takes 1 or 0, the row is posted and the device list is
// saved at once to `deviceFile` (UTF-8 full name). A failed save leaves the
// mark posted in memory and the file as it was, and throws.
void setDeviceMark(RecordTable& devices, int row, bool marked, const std::string& deviceFile);

} // namespace nakilon
