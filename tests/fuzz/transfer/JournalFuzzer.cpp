// Any journal file: reading it never fails, never takes more than the whole
// records at its front, and reads the same from those records alone.
#include "core/transfer/TransferJournal.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace nakilon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const JournalContent content = readJournalText(bytes);
    if (content.wholeBytes > size)
        std::abort();
    size_t lineBytes = 0;
    for (const JournalBatch& batch : content.batches)
        lineBytes += batch.lines.size();
    if (lineBytes > content.wholeBytes)
        std::abort();
    // The torn tail adds nothing.
    const JournalContent whole = readJournalText(bytes.substr(0, content.wholeBytes));
    if (whole.wholeBytes != content.wholeBytes || whole.batches.size() != content.batches.size() ||
        whole.commits.size() != content.commits.size() || whole.notes != content.notes ||
        whole.outputFile != content.outputFile)
        std::abort();
    return 0;
}
