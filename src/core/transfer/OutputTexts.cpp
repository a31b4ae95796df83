#include "core/transfer/OutputTexts.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"

#include <chrono>
#include <filesystem>

namespace nakilon {

namespace {

const char* const kBusyText = "Başka bir aktarım sürüyor. Bu aktarım yapılmadı; o aktarım "
                              "bittiğinde yeniden deneyin";

std::string loadText(const std::string& fileName) {
    std::error_code ec;
    // Anything at that name that is not a file (a folder) counts as a file that
    // cannot be read: the run must stop before a terminal hands out records
    // that could not be saved.
    if (!std::filesystem::exists(pathFromUtf8(fileName), ec)) {
        // A missing file starts empty and is created now, as the run will
        // write it at its end anyway; failing to create it is not an error here.
        try {
            writeFileAtomic(fileName, "");
        } catch (const IoError&) {
        }
        return {};
    }
    try {
        return normalizeLineBreaks(readWholeFile(fileName));
    } catch (const IoError& e) {
        throw Error(
            formatText("Cannot open file \"%s\". %s", fileName.c_str(), e.reason().c_str()));
    }
}

void saveText(const std::string& fileName, const std::string& text) {
    try {
        writeFileAtomic(fileName, text);
    } catch (const IoError& e) {
        throw Error(
            formatText("Cannot create file \"%s\". %s", fileName.c_str(), e.reason().c_str()));
    }
}

} // namespace

std::string OutputTexts::backupFileName(std::string_view programFolder, int year, int month,
                                        int day) {
    return programFile(programFolder,
                       formatText("Backup\\%4.4d-%2.2d-%2.2d.txt", year, month, day));
}

void OutputTexts::open(std::string outputFileName, std::string backupFileName) {
    release();
    m_outputName = std::move(outputFileName);
    m_backupName = std::move(backupFileName);
    try {
        m_lock = std::make_unique<FileLock>(m_outputName + ".lock",
                                            std::chrono::milliseconds(kLockWaitMilliseconds));
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", (m_outputName + ".lock").c_str(),
                               e.reason().c_str()));
    }
    if (!m_lock->locked()) {
        m_lock.reset();
        throw Error(kBusyText);
    }
    try {
        m_output = loadText(m_outputName);
        const std::filesystem::path backupFolder = pathFromUtf8(m_backupName).parent_path();
        if (!backupFolder.empty() && !folderExists(pathToUtf8(backupFolder))) {
            try {
                createFolder(pathToUtf8(backupFolder));
            } catch (const IoError&) {
                // Reported when the backup file is written at the end.
            }
        }
        m_backup = loadText(m_backupName);
    } catch (...) {
        release();
        throw;
    }
}

void OutputTexts::addLine(std::string_view line) {
    appendLine(m_output, line);
    appendLine(m_backup, line);
}

void OutputTexts::save() {
    struct Release {
        OutputTexts* texts;
        ~Release() { texts->release(); }
    } releaseAtEnd{this};
    saveText(m_outputName, m_output);
    saveText(m_backupName, m_backup);
}

void OutputTexts::release() {
    m_lock.reset();
}

namespace {

// Where the first line break that is not already CR LF stands; npos for none.
size_t firstBareBreak(std::string_view text) {
    size_t pos = text.find_first_of("\r\n");
    while (pos != std::string_view::npos) {
        if (text[pos] == '\n' || pos + 1 == text.size() || text[pos + 1] != '\n')
            return pos;
        pos = text.find_first_of("\r\n", pos + 2);
    }
    return pos;
}

} // namespace

std::string normalizeLineBreaks(std::string&& text) {
    // Files this program wrote already hold CR LF only: keep them as they are
    // instead of copying a large file once more.
    if (firstBareBreak(text) == std::string::npos)
        return std::move(text);
    return normalizeLineBreaks(std::string_view(text));
}

std::string normalizeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t next = text.find_first_of("\r\n", pos);
        if (next == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, next - pos));
        out.append("\r\n");
        pos = next +
              ((text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1);
    }
    return out;
}

void appendLine(std::string& text, std::string_view line) {
    const bool endsWithBreak = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    if (text.empty() || endsWithBreak) {
        text.append(line);
        text.append("\r\n");
    } else {
        text.append("\r\n");
        text.append(line);
    }
}

} // namespace nakilon
