#include "core/transfer/OutputFile.h"

#include "core/base/Crc32c.h"
#include "core/base/Error.h"
#include "core/base/FileAppend.h"
#include "core/base/FileIdentity.h"
#include "core/base/FilePaths.h"
#include "core/base/FileRead.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/SafeWrite.h"
#include "core/transfer/OutputLine.h"
#include "core/transfer/OutputTexts.h"

#include <algorithm>
#include <cstring>

namespace nakilon {

namespace {

constexpr size_t kPiece = size_t{1} << 20;

// The CRC-32C of `length` bytes from `offset`, read in pieces.
uint32_t crcOfRange(const AppendingFile& file, uint64_t offset, uint64_t length) {
    Crc32c crc;
    while (length > 0) {
        const std::string piece =
            file.readAt(offset, static_cast<size_t>(std::min<uint64_t>(length, kPiece)));
        if (piece.empty())
            break;
        crc.add(piece);
        offset += piece.size();
        length -= piece.size();
    }
    return crc.value();
}

// Whether every line break of the file is CR LF, read in pieces.
bool hasOnlyCrLf(const AppendingFile& file) {
    uint64_t carriageReturns = 0, lineFeeds = 0;
    char previous = 0;
    for (uint64_t offset = 0; offset < file.size();) {
        const std::string piece = file.readAt(offset, kPiece);
        if (piece.empty())
            break;
        carriageReturns += static_cast<uint64_t>(std::count(piece.begin(), piece.end(), '\r'));
        const char* p = piece.data();
        const char* const end = p + piece.size();
        while (const void* found = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
            const char* lf = static_cast<const char*>(found);
            if ((lf == piece.data() ? previous : lf[-1]) != '\r')
                return false;
            ++lineFeeds;
            p = lf + 1;
        }
        previous = piece.back();
        offset += piece.size();
    }
    // Every LF follows a CR; a CR without its LF shows in the counts.
    return carriageReturns == lineFeeds;
}

} // namespace

bool OutputFile::open(std::optional<std::chrono::milliseconds> lockWait) {
    m_lockWait = lockWait;
    const std::filesystem::path folder = pathFromUtf8(m_name).parent_path();
    if (!folder.empty() && !folderExists(pathToUtf8(folder)) && !fileExists(pathToUtf8(folder)))
        createFolder(pathToUtf8(folder));
    // A run that held the lock may have put a new file in place meanwhile:
    // the lock counts only on the file that the name still leads to.
    for (int attempt = 0; attempt < 10; ++attempt) {
        auto file = std::make_unique<AppendingFile>(m_name);
        if (lockWait && !file->lock(*lockWait))
            return false;
        if (identityOf(m_name) == file->identity()) {
            file->refreshSize();
            m_file = std::move(file);
            return true;
        }
    }
    return false;
}

KnownText OutputFile::state() const {
    m_file->refreshSize();
    return {resolvedFileName(m_name), m_file->identity(), m_file->size(), m_file->modified()};
}

void OutputFile::makeBreaksCrLf(const KnownText* known) {
    if (known && state() == *known)
        return;
    m_file->refreshSize();
    if (hasOnlyCrLf(*m_file))
        return;
    const FileIdentity before = m_file->identity();
    writeFileAtomic(m_name, normalizeLineBreaks(readWholeFile(m_name)));
    if (identityOf(m_name) == before) {
        m_file->refreshSize(); // written in place
        return;
    }
    // The old file's lock is held until the new one is open and locked.
    std::unique_ptr<AppendingFile> old = std::move(m_file);
    if (!open(m_lockWait))
        throw TransferBusyError();
}

std::array<std::string_view, 2> OutputFile::planned(const FilePlan& plan, std::string_view lines) {
    if (plan.join && lines.size() >= OutputLineEnd.size())
        return {OutputLineEnd, lines.substr(0, lines.size() - OutputLineEnd.size())};
    return {std::string_view(), lines};
}

FilePlan OutputFile::plan(char role, std::string_view lines, const FilePlan* like) const {
    m_file->refreshSize();
    FilePlan plan;
    plan.role = role;
    plan.target = resolvedFileName(m_name);
    plan.identity = m_file->identity();
    plan.length = m_file->size();
    if (plan.length > 0) {
        const std::string last = m_file->readAt(plan.length - 1, 1);
        plan.join = last != "\r" && last != "\n";
    }
    if (like && like->join == plan.join) {
        plan.bytes = like->bytes;
        plan.crc = like->crc;
        return plan;
    }
    Crc32c crc;
    for (std::string_view piece : planned(plan, lines)) {
        crc.add(piece);
        plan.bytes += piece.size();
    }
    plan.crc = crc.value();
    return plan;
}

void OutputFile::apply(const FilePlan& plan, std::string_view lines, uint64_t from) {
    std::array<std::string_view, 2> pieces = planned(plan, lines);
    for (std::string_view& piece : pieces) {
        const size_t skip = static_cast<size_t>(std::min<uint64_t>(from, piece.size()));
        piece.remove_prefix(skip);
        from -= skip;
    }
    m_file->refreshSize();
    m_file->append({pieces[0], pieces[1]});
    m_file->sync();
}

OutputFile::Progress OutputFile::progress(const FilePlan& plan, std::string_view lines,
                                          uint64_t& have) const {
    m_file->refreshSize();
    const uint64_t size = m_file->size();
    have = 0;
    if (m_file->identity() != plan.identity || size < plan.length)
        return Progress::Changed;
    if (size == plan.length)
        return Progress::None;
    if (size >= plan.length + plan.bytes)
        return crcOfRange(*m_file, plan.length, plan.bytes) == plan.crc ? Progress::All
                                                                        : Progress::Changed;
    // Part of the bytes, when they are the start of what the run appends.
    std::string expected;
    for (std::string_view piece : planned(plan, lines))
        expected.append(piece.substr(0, std::min<size_t>(piece.size(), size - plan.length)));
    if (expected.size() < size - plan.length ||
        m_file->readAt(plan.length, static_cast<size_t>(size - plan.length)) !=
            std::string_view(expected).substr(0, static_cast<size_t>(size - plan.length)))
        return Progress::Changed;
    have = size - plan.length;
    return Progress::Part;
}

} // namespace nakilon
