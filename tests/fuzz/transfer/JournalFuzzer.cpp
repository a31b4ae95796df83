// Any journal file: reading it never fails, accounts for no more bytes than
// it has, and what it read, written out again, reads back the same and whole.
#include "core/transfer/JournalFormat.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace nakilon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const JournalContent content = readJournal(bytes);
    if (content.damagedBytes + content.tornBytes > size)
        std::abort();
    size_t lineBytes = 0;
    for (const JournalRun& run : content.runs)
        for (const JournalBatch& batch : run.batches)
            lineBytes += batch.lines.size();
    if (lineBytes > size)
        std::abort();
    JournalContent again = readJournal(journal::serialize(content));
    if (again.damagedBytes != 0 || again.tornBytes != 0)
        std::abort();
    again.damagedBytes = content.damagedBytes;
    again.tornBytes = content.tornBytes;
    if (!(again == content))
        std::abort();
    return 0;
}
