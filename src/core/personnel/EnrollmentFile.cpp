#include "core/personnel/EnrollmentFile.h"

#include "core/base/AtomicBatchWrite.h"
#include "core/base/Error.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/IntegerText.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"
#include "core/tables/TDataModul.h"

#include <charconv>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

namespace nakilon {

namespace {

int32_t elementOf(std::string_view line) {
    const std::optional<int64_t> value = parseInteger(line);
    if (!value || *value < std::numeric_limits<int32_t>::min() ||
        *value > std::numeric_limits<int32_t>::max())
        return 0;
    return static_cast<int32_t>(*value);
}

std::string createFailureText(const std::string& name, const std::string& reason) {
    return formatText("Cannot create file \"%s\". %s", name.c_str(), reason.c_str());
}

} // namespace

std::string enrollmentFileName(std::string_view programFolder, int32_t userNumber, int32_t slot) {
    return programFile(programFolder, TDataModul::dataFile("Parmak-" + std::to_string(userNumber) +
                                                           "-" + std::to_string(slot) + ".Piz"));
}

std::string enrollmentText(const EnrollmentData& data) {
    std::string text;
    text.reserve(data.size() * 13); // "-2147483648\r\n" is the longest line
    char buffer[16];
    for (const int32_t value : data) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, result.ptr);
        text += "\r\n";
    }
    return text;
}

EnrollmentData parseEnrollmentText(std::string_view text) {
    EnrollmentData data{};
    size_t k = 0;
    size_t pos = 0;
    // A line end at the very end starts no further line; a missing line is 0
    // all the same, so the loop simply stops at the end of the text.
    while (k < data.size() && pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        const std::string_view line =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        data[k++] = elementOf(line);
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return data;
}

void writeEnrollmentFile(std::string_view programFolder, int32_t userNumber, int32_t slot,
                         const EnrollmentData& data) {
    const std::string name = enrollmentFileName(programFolder, userNumber, slot);
    try {
        writeFileAtomic(name, enrollmentText(data));
    } catch (const IoError& e) {
        throw Error(createFailureText(name, e.reason()));
    }
}

EnrollmentFileGroup::EnrollmentFileGroup(std::string_view programFolder,
                                         const std::vector<EnrollmentSlot>& files) {
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const EnrollmentSlot& file : files)
        names.push_back(enrollmentFileName(programFolder, file.userNumber, file.slot));
    m_batch = std::make_unique<BackgroundBatchWrite>(std::move(names));
}

EnrollmentFileGroup::~EnrollmentFileGroup() = default;

void EnrollmentFileGroup::write(size_t index, const EnrollmentData& data) {
    try {
        // Made into text on the helper thread too.
        m_batch->write(index, [data] { return enrollmentText(data); });
    } catch (const BatchWriteError& e) {
        throw Error(createFailureText(e.fileName(), e.reason()));
    }
}

void EnrollmentFileGroup::skip(size_t index) {
    try {
        m_batch->skip(index);
    } catch (const BatchWriteError& e) {
        throw Error(createFailureText(e.fileName(), e.reason()));
    }
}

void EnrollmentFileGroup::commit() {
    try {
        m_batch->commit();
    } catch (const BatchWriteError& e) {
        throw Error(createFailureText(e.fileName(), e.reason()));
    }
}

std::optional<EnrollmentData> readEnrollmentFile(std::string_view programFolder, int32_t userNumber,
                                                 int32_t slot) {
    const std::string name = enrollmentFileName(programFolder, userNumber, slot);
    if (!fileExists(name))
        return std::nullopt;
    try {
        return parseEnrollmentText(readWholeFile(name));
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", name.c_str(), e.reason().c_str()));
    }
}

// Between the caller and the helper thread, guarded by `mutex`.
struct EnrollmentFileReader::Shared {
    // Files read but not yet taken: enough to cover a slow stretch of the
    // caller's terminal without holding many enrollments in memory. A helper
    // that has read this far is woken again only once half of them are taken,
    // since every wake-up costs the caller a system call.
    static constexpr size_t kMostReady = 64;

    std::string programFolder;
    std::vector<EnrollmentSlot> files;
    std::mutex mutex;
    std::condition_variable toHelper, toCaller;
    bool helperWaits = false;
    bool callerWaits = false;
    std::deque<Found> ready;
    std::exception_ptr failure; // the file after those in `ready` could not be read
    bool ended = false;         // the helper has read its last file, or failed
    bool stopping = false;
    std::thread helper;

    void run() {
        for (size_t i = 0; i < files.size(); ++i) {
            std::optional<EnrollmentData> data;
            std::exception_ptr failed;
            try {
                data = readEnrollmentFile(programFolder, files[i].userNumber, files[i].slot);
            } catch (...) {
                failed = std::current_exception();
            }
            std::unique_lock lock(mutex);
            if (stopping)
                return;
            if (failed) {
                failure = failed;
                break;
            }
            if (data) {
                if (ready.size() >= kMostReady) {
                    helperWaits = true;
                    toHelper.wait(lock, [&] { return stopping || ready.size() <= kMostReady / 2; });
                    helperWaits = false;
                    if (stopping)
                        return;
                }
                ready.push_back({i, *data});
                if (callerWaits)
                    toCaller.notify_one();
            }
        }
        const std::lock_guard lock(mutex);
        ended = true;
        if (callerWaits)
            toCaller.notify_one();
    }
};

EnrollmentFileReader::EnrollmentFileReader(std::string_view programFolder,
                                           std::vector<EnrollmentSlot> files)
    : m_shared(std::make_unique<Shared>()) {
    Shared& s = *m_shared;
    s.programFolder = std::string(programFolder);
    s.files = std::move(files);
    s.helper = std::thread([&s] { s.run(); });
}

EnrollmentFileReader::~EnrollmentFileReader() {
    Shared& s = *m_shared;
    {
        const std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    s.toHelper.notify_one();
    if (s.helper.joinable())
        s.helper.join();
}

std::optional<EnrollmentFileReader::Found> EnrollmentFileReader::next() {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    s.callerWaits = true;
    s.toCaller.wait(lock, [&] { return !s.ready.empty() || s.ended; });
    s.callerWaits = false;
    if (s.ready.empty()) {
        if (s.failure)
            std::rethrow_exception(s.failure);
        return std::nullopt;
    }
    std::optional<Found> found = std::move(s.ready.front());
    s.ready.pop_front();
    if (s.helperWaits && s.ready.size() <= Shared::kMostReady / 2)
        s.toHelper.notify_one();
    return found;
}

std::string enrollmentListText(const std::vector<EnrollmentSlot>& slots, size_t listed) {
    std::string text;
    for (size_t i = 0; i < slots.size() && i < listed; ++i)
        text += "\nPersonel No " + std::to_string(slots[i].userNumber) + ", parmak kaydı " +
                std::to_string(slots[i].slot);
    if (slots.size() > listed)
        text += "\n... ve " + std::to_string(slots.size() - listed) + " kayıt daha";
    return text;
}

} // namespace nakilon
